// The serializer's message texts: format strings with one %s, raised through the serializer's check
// behind the "XMLSerializerException" prefix.
#pragma once

namespace zu {

// The tag name that was searched.
inline constexpr const char* _ERR_OpenXMLTagNotFound = "Open tag not found: <%s>";
inline constexpr const char* _ERR_CloseXMLTagNotFound = "Close tag not found: </%s>";
// The element name as written in the document.
inline constexpr const char* _ERR_UncknownProperty = "Uncknown property: %s";
// The property that leads back to an object that is still being visited.
inline constexpr const char* _ERR_CyclicReference = "Cyclic reference: %s";
// The deepest level allowed, and the element that stands deeper.
inline constexpr const char* _ERR_NestingTooDeep = "Nesting deeper than %d levels: <%s>";
// The property whose value text holds a zero byte, which a document cannot carry: reading ends a
// value's text at its first zero byte.
inline constexpr const char* _ERR_ZeroByteInValue = "Zero byte in the value of %s";

}  // namespace zu
