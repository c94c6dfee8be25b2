// The framework's classes unit: persistent objects, components, string lists, collections, streams.
#pragma once

#include "platform/classes/ClassRegistry.h"
#include "platform/classes/Collection.h"
#include "platform/classes/Component.h"
#include "platform/classes/Persistent.h"
#include "platform/classes/Streams.h"
#include "platform/classes/Strings.h"
