# The project's Apple branch as CMake configures it on a Mac, compiled here for an Intel
# Mac (x86_64-apple-macos11) against the SDK stub: availability, BOOL and ARC are judged as
# Apple's toolchain judges them. Darwin's C library is not here, so the target's own macros
# are swapped for Linux's and the host's C and C++ headers stand in. Executables are
# "linked" by macos_link.py, which fails as ld64 would on a symbol no object defines.
set(CMAKE_SYSTEM_NAME Darwin)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
set(CMAKE_OSX_SYSROOT "" CACHE PATH "")

# CLANGXX: the clang++ to use; its own directory has the LLVM tools that read Mach-O.
find_program(clangxx NAMES $ENV{CLANGXX} clang++ clang++-14 REQUIRED)
file(REAL_PATH ${clangxx} clangxx)
get_filename_component(llvm_bin ${clangxx} DIRECTORY)
execute_process(COMMAND ${clangxx} -print-resource-dir OUTPUT_VARIABLE resource_dir OUTPUT_STRIP_TRAILING_WHITESPACE)
execute_process(COMMAND ${clangxx} -print-multiarch OUTPUT_VARIABLE multiarch OUTPUT_STRIP_TRAILING_WHITESPACE)
foreach(language C CXX OBJCXX)
  set(CMAKE_${language}_COMPILER ${clangxx})
  set(CMAKE_${language}_COMPILER_TARGET x86_64-apple-macos11)
endforeach()
set(CMAKE_AR ${llvm_bin}/llvm-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${llvm_bin}/llvm-ranlib CACHE FILEPATH "")
set(CMAKE_INSTALL_NAME_TOOL true CACHE FILEPATH "")
set(CMAKE_LIBRARY_ARCHITECTURE ${multiarch})  # the host's simdjson package

set(flags "-U__APPLE__ -U__MACH__ -U__nonnull -U__nullable -D__linux__ -D__unix__ -D__ELF__ -D_GNU_SOURCE \
-include ${CMAKE_CURRENT_LIST_DIR}/macos_sdk_stub/apple_target.h -nostdinc -nostdinc++ -isystem ${CMAKE_CURRENT_LIST_DIR}/macos_sdk_stub -isystem ${llvm_bin}/../include/c++/v1 \
-isystem ${resource_dir}/include -isystem /usr/include/${multiarch} -isystem /usr/include \
-D__MAC_OS_X_VERSION_MAX_ALLOWED=140000 -Wunguarded-availability -Werror=unguarded-availability \
-Werror=unguarded-availability-new -Werror=objc-method-access")
set(CMAKE_CXX_FLAGS_INIT "${flags}")
set(CMAKE_OBJCXX_FLAGS_INIT "${flags} -Wundeclared-selector -Wobjc-missing-super-calls")
foreach(language CXX OBJCXX)
  set(CMAKE_${language}_LINK_EXECUTABLE
      "python3 ${CMAKE_CURRENT_LIST_DIR}/macos_link.py ${llvm_bin} <TARGET> <OBJECTS> <LINK_LIBRARIES>")
endforeach()
# What is built here cannot run here: GoogleTest's tests are listed when ctest runs them
# (on a Mac), not right after each test program is linked.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
