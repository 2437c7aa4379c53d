# SPDX-License-Identifier: MIT
# Sanitizer builds.
#
# TINTORAL_SANITIZE: every target of the project built and linked with
# AddressSanitizer (LeakSanitizer included) and UndefinedBehaviorSanitizer,
# any undefined behaviour fatal. `make test-sanitize` builds this way in its
# own folder (build-sanitize) and runs the unit and widget tests.
#
# TINTORAL_FUZZ: the libFuzzer target over the render tool's argument parser
# (Clang only); `make fuzz` builds and runs it.
#
# This file is included last, so it reaches the targets of every folder.
option(TINTORAL_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(TINTORAL_FUZZ "Build the libFuzzer target of the render tool's arguments (Clang)" OFF)

set(TINTORAL_SANITIZE_FLAGS -fsanitize=address,undefined -fno-omit-frame-pointer
    -fno-sanitize-recover=undefined)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  # Clang counts float-to-integer overflow as undefined behaviour; GCC needs it named.
  list(APPEND TINTORAL_SANITIZE_FLAGS -fsanitize=float-cast-overflow)
endif()

function(tintoral_sanitize_folder folder)
  get_property(targets DIRECTORY ${folder} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    if(type MATCHES "^(EXECUTABLE|STATIC_LIBRARY|SHARED_LIBRARY|MODULE_LIBRARY|OBJECT_LIBRARY)$")
      target_compile_options(${target} PRIVATE ${TINTORAL_SANITIZE_FLAGS})
      target_link_options(${target} PRIVATE ${TINTORAL_SANITIZE_FLAGS})
    endif()
  endforeach()
  get_property(folders DIRECTORY ${folder} PROPERTY SUBDIRECTORIES)
  foreach(sub IN LISTS folders)
    tintoral_sanitize_folder(${sub})
  endforeach()
endfunction()

if(TINTORAL_SANITIZE)
  tintoral_sanitize_folder(${CMAKE_SOURCE_DIR})
endif()

if(TINTORAL_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "TINTORAL_FUZZ needs Clang (libFuzzer): configure with -DCMAKE_CXX_COMPILER=clang++")
  endif()
  add_executable(tintoral-fuzz-render-args tests/fuzz/render_arguments_fuzz.cpp tools/render_options.cpp)
  target_include_directories(tintoral-fuzz-render-args PRIVATE ${CMAKE_SOURCE_DIR})
  set_target_properties(tintoral-fuzz-render-args PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
  set(fuzz_flags -fsanitize=fuzzer,address,undefined -fno-omit-frame-pointer
      -fno-sanitize-recover=undefined)
  target_compile_options(tintoral-fuzz-render-args PRIVATE ${fuzz_flags})
  target_link_options(tintoral-fuzz-render-args PRIVATE ${fuzz_flags})
endif()
