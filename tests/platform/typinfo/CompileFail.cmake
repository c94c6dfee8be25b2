# Declarations the class builder refuses at compile time. Each case compiles refused_declarations.cpp
# with one REFUSED number and passes only when the compiler's output holds the refusal together with
# the type it names; case 0 refuses nothing and must compile, so that a snippet broken in another
# way cannot pass as refused.
set(zu_refused_compile ${CMAKE_CXX_COMPILER} -std=c++20 -fsyntax-only -I${ZU_ROOT} -I${ZU_GENERATED_INCLUDE}
                       ${CMAKE_CURRENT_SOURCE_DIR}/refused_declarations.cpp)
add_test(NAME typinfo_refused_declarations_control COMMAND ${zu_refused_compile} -DREFUSED=0)
set_tests_properties(typinfo_refused_declarations_control PROPERTIES LABELS unit)

function(zu_refused number type message)
  set(name typinfo_refused_declarations_${number})
  add_test(NAME ${name} COMMAND ${zu_refused_compile} -DREFUSED=${number})
  # Compilers print the type before or after the message.
  set_tests_properties(${name} PROPERTIES LABELS unit PASS_REGULAR_EXPRESSION
                                                      "${type}.*${message}|${message}.*${type}")
endfunction()

set(zu_unsupported "has no type information; the supported types are bool, char")
set(zu_size_t "(long unsigned int|unsigned long)")
zu_refused(1 "HasTypeInfo<${zu_size_t}>" "${zu_unsupported}")
zu_refused(2 "HasTypeInfo<long long( int)?>" "${zu_unsupported}")
zu_refused(3 "HasTypeInfo<std::vector<${zu_size_t}> ?>" "${zu_unsupported}")
zu_refused(4 "HasTypeInfo<${zu_size_t}>" "${zu_unsupported}")
set(zu_no_item_constructor "has no public constructor taking TCollection\\* \\(nor one taking nothing\\)")
zu_refused(5 "IsCreatableItemClass<probe::TItem>" "${zu_no_item_constructor}")
zu_refused(6 "IsCreatableItemClass<probe::TItem>" "${zu_no_item_constructor}")
