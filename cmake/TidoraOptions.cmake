# Every target of ours links tidora_options: the language level, warnings and Qt strictness
# live here and nowhere else.
add_library(tidora_options INTERFACE)
target_compile_features(tidora_options INTERFACE cxx_std_20)
target_compile_options(tidora_options INTERFACE
    -Wall -Wextra -Wpedantic -Wold-style-cast -Wnon-virtual-dtor -Woverloaded-virtual
    # Aggregates with default member initialisers are meant to be filled in part.
    -Wno-missing-field-initializers
    $<$<BOOL:${TIDORA_WERROR}>:-Werror>)
target_compile_definitions(tidora_options INTERFACE
    QT_NO_KEYWORDS
    QT_NO_FOREACH
    QT_NO_CAST_TO_ASCII
    QT_NO_CAST_FROM_ASCII
    QT_NO_CAST_FROM_BYTEARRAY
    QT_NO_URL_CAST_FROM_STRING
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
    QT_USE_QSTRINGBUILDER
    QT_DISABLE_DEPRECATED_UP_TO=0x060400)

# Debian's hardening: stack protection and read-only relocations bound at start everywhere,
# fortified libc calls where the optimiser makes them possible.
target_compile_options(tidora_options INTERFACE
    -fstack-protector-strong -fstack-clash-protection -fcf-protection -Wformat
    -Werror=format-security)
target_compile_definitions(tidora_options INTERFACE
    $<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:_FORTIFY_SOURCE=2>)
target_link_options(tidora_options INTERFACE -Wl,-z,relro -Wl,-z,now)

if(TIDORA_SANITIZE)
    target_compile_options(tidora_options INTERFACE
        -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(tidora_options INTERFACE -fsanitize=address,undefined)
endif()

# tidora_add_library(name SOURCES ... LIBS ...): a static library of one subsystem folder.
function(tidora_add_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_link_libraries(${name} PUBLIC tidora_options ${ARG_LIBS})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
endfunction()
