# Build settings every area shares: warnings, the Win32 definitions, the sanitizers of the native
# build, and the include root that lets a target see only the areas it links.

# Strict warnings on our own code only (GoogleTest keeps its own flags): shadowed names, implicit
# narrowing and non-literal format strings are errors in every preset.
function(ludra_strict_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow -Wconversion -Wformat=2 -Werror)
endfunction()

if(WIN32)
    # Every Windows target: the API level, lean headers, and the libraries every area calls.
    add_library(ludra_win32 INTERFACE)
    target_compile_definitions(ludra_win32 INTERFACE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
    target_link_libraries(ludra_win32 INTERFACE user32 gdi32 kernel32)
else()
    # The Win32-free units, natively, under AddressSanitizer and UndefinedBehaviorSanitizer; in the
    # fuzz build also instrumented for libFuzzer's coverage (only the fuzz targets link libFuzzer).
    set(sanitize address,undefined)
    if(LUDRA_FUZZ)
        set(sanitize fuzzer-no-link,address,undefined)
    endif()
    add_library(ludra_sanitizers INTERFACE)
    target_compile_options(ludra_sanitizers INTERFACE
        -fsanitize=${sanitize} -fno-omit-frame-pointer -fno-sanitize-recover=all)
    target_link_options(ludra_sanitizers INTERFACE -fsanitize=address,undefined)
endif()

# Sets <out> to an include root holding only <folder> (a link named <folder> to the source folder),
# so `#include "skin/panel.h"` compiles only in targets that link the skin area. Where the file
# system has no symbolic links the root is the source tree, and the layering check still guards.
function(ludra_include_root out folder)
    set(root ${CMAKE_BINARY_DIR}/include/${folder})
    if(NOT EXISTS ${root}/${folder})
        file(MAKE_DIRECTORY ${root})
        file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${root}/${folder} RESULT failed SYMBOLIC)
        if(failed)
            set(root ${PROJECT_SOURCE_DIR})
        endif()
    endif()
    set(${out} ${root} PARENT_SCOPE)
endfunction()

# A static library of an area's units, strict warnings on, whose include root shows only the area's
# own folder; what it links is written beside each call.
function(ludra_area_library target folder)
    ludra_include_root(root ${folder})
    add_library(${target} STATIC ${ARGN})
    target_include_directories(${target} PUBLIC ${root})
    ludra_strict_warnings(${target})
endfunction()

# A Linux path as the Windows path a program under Wine uses (Wine maps the Linux root to Z:).
function(ludra_windows_path out linux_path)
    string(REPLACE "/" "\\\\" win "${linux_path}")
    set(${out} "Z:${win}" PARENT_SCOPE)
endfunction()

# The header of package keys (tools/package_keys.py) from a list of PEM public keys; a file that is
# no P-256 public key stops the configure step with the tool's message.
function(ludra_package_key_table header keys)
    execute_process(COMMAND ${LUDRA_SYSTEM_PYTHON} ${PROJECT_SOURCE_DIR}/tools/package_keys.py ${header} ${keys}
                    RESULT_VARIABLE result ERROR_VARIABLE error)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "LUDRA_PACKAGE_KEYS: ${error}")
    endif()
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tools/package_keys.py ${keys})
endfunction()
