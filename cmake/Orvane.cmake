# Shared build rules: warnings, the GBK execution character set, the
# sanitizers, GoogleTest for both builds, and the source lists of the
# program's libraries.

# Narrow literals are GBK at run time; sources are UTF-8. GB18030 is the
# superset of GBK that gives every GBK character the same bytes and can also
# carry the few non-GBK characters of the standard headers (such as the
# micro sign in <chrono>), which GBK itself rejects at compile time.
# clang knows no execution character set but UTF-8: the fuzz build (clang
# only) keeps UTF-8 literals, which changes no parser's memory behaviour.
add_compile_options(-Wall -Wextra)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  add_compile_options(
    $<$<COMPILE_LANGUAGE:C,CXX>:-finput-charset=UTF-8>
    $<$<COMPILE_LANGUAGE:C,CXX>:-fexec-charset=GB18030>)
endif()

if(ORVANE_WINDOWS)
  # Statically linked: no runtime DLLs beside the exe. The posix-thread
  # compiler is used because GoogleTest needs std::mutex.
  add_link_options(-static -static-libgcc -static-libstdc++)
  # Every function and datum in its own section, so the linker drops what
  # nothing calls (most of the statically linked C++ runtime).
  add_compile_options(-ffunction-sections -fdata-sections)
  add_link_options(-Wl,--gc-sections)
  # The setup program waits on the network, the disk and the user, not on
  # its own code: it is built for size. The archiver's hot loops ask for
  # speed themselves (archiver/).
  add_compile_options($<$<CONFIG:Release>:-Os>)
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
endif()

if(ORVANE_SANITIZE AND NOT ORVANE_WINDOWS)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()

if(ORVANE_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

set_property(GLOBAL PROPERTY ORVANE_CORE_SOURCES "")
set_property(GLOBAL PROPERTY ORVANE_WIN_SOURCES "")

# Portable sources: no <windows.h>; built into both builds.
function(orvane_core_sources)
  foreach(f ${ARGN})
    get_filename_component(abs "${f}" ABSOLUTE)
    set_property(GLOBAL APPEND PROPERTY ORVANE_CORE_SOURCES "${abs}")
  endforeach()
endfunction()

# Win32 sources: only in the windows build.
function(orvane_win_sources)
  if(ORVANE_WINDOWS)
    foreach(f ${ARGN})
      get_filename_component(abs "${f}" ABSOLUTE)
      set_property(GLOBAL APPEND PROPERTY ORVANE_WIN_SOURCES "${abs}")
    endforeach()
  endif()
endfunction()

# orvane_core: the portable rules. orvane_win: the Win32 program without its
# entry point, so tests can link the whole program.
function(orvane_make_libraries)
  get_property(core GLOBAL PROPERTY ORVANE_CORE_SOURCES)
  add_library(orvane_core STATIC ${core})
  target_include_directories(orvane_core PUBLIC ${PROJECT_SOURCE_DIR}/src ${PROJECT_BINARY_DIR}/generated)
  if(ORVANE_WINDOWS)
    get_property(win GLOBAL PROPERTY ORVANE_WIN_SOURCES)
    add_library(orvane_win STATIC ${win} ${PROJECT_SOURCE_DIR}/src/base/win/handles.h)
    set_target_properties(orvane_win PROPERTIES LINKER_LANGUAGE CXX)
    target_link_libraries(orvane_win PUBLIC orvane_core
      comctl32 gdiplus msimg32 shell32 ole32 oleaut32 uuid ws2_32 wininet winmm psapi shlwapi bcrypt)
  endif()
endfunction()

# Adds every immediate subfolder of DIR that has a CMakeLists.txt, so each
# area keeps its own tests, tools and benchmarks without a shared list.
function(orvane_add_subdirectories dir)
  if(EXISTS ${PROJECT_SOURCE_DIR}/${dir}/CMakeLists.txt)
    add_subdirectory(${dir})
    return()
  endif()
  file(GLOB children LIST_DIRECTORIES true ${PROJECT_SOURCE_DIR}/${dir}/*)
  list(SORT children)
  foreach(child ${children})
    if(IS_DIRECTORY ${child} AND EXISTS ${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()

macro(orvane_setup_gtest)
  if(BUILD_TESTING)
    if(ORVANE_WINDOWS)
      # Debian ships GoogleTest as source; build it with the cross compiler.
      set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
      set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
      set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
      add_subdirectory(/usr/src/googletest ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
      if(NOT TARGET GTest::gtest_main)
        add_library(GTest::gtest ALIAS gtest)
        add_library(GTest::gtest_main ALIAS gtest_main)
        add_library(GTest::gmock ALIAS gmock)
      endif()
    else()
      find_package(GTest REQUIRED)
    endif()
  endif()
endmacro()

# orvane_gtest(NAME n SOURCES ... [LIBS ...] [LABELS ...] [TIMEOUT s] [ENV ...])
# One test executable, registered as one ctest test. Windows ones run
# through Wine by the crosscompiling emulator.
function(orvane_gtest)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS;ENV" ${ARGN})
  if(NOT BUILD_TESTING)
    return()
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  if(ORVANE_WINDOWS)
    # The program's code under test trusts what each test says it trusts.
    target_sources(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/tests/win/unsigned_build_keys.cpp)
  endif()
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest_main GTest::gmock)
  target_include_directories(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  add_test(NAME ${T_NAME} COMMAND ${T_NAME} --gtest_brief=1)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS "${T_LABELS}")
  if(T_ENV)
    set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT "${T_ENV}")
  endif()
endfunction()

# orvane_fuzzer(NAME n SOURCES ... [LIBS ...] [CORPUS dir] [SECONDS s])
# A libFuzzer target; ctest in the fuzz build runs it for a bounded time on
# a copy of its seed corpus.
function(orvane_fuzzer)
  cmake_parse_arguments(F "" "NAME;CORPUS;SECONDS" "SOURCES;LIBS" ${ARGN})
  if(NOT ORVANE_FUZZ)
    return()
  endif()
  add_executable(${F_NAME} ${F_SOURCES})
  target_link_libraries(${F_NAME} PRIVATE ${F_LIBS})
  target_include_directories(${F_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/src)
  target_link_options(${F_NAME} PRIVATE -fsanitize=fuzzer)
  if(NOT F_SECONDS)
    set(F_SECONDS 30)
  endif()
  set(work ${CMAKE_CURRENT_BINARY_DIR}/${F_NAME}-corpus)
  set(seed "")
  if(F_CORPUS)
    set(seed ${F_CORPUS})
  endif()
  add_test(NAME ${F_NAME}
    COMMAND ${PROJECT_SOURCE_DIR}/scripts/run-fuzzer $<TARGET_FILE:${F_NAME}> ${work} ${F_SECONDS} ${seed})
  math(EXPR limit "${F_SECONDS} + 120")
  set_tests_properties(${F_NAME} PROPERTIES TIMEOUT ${limit} LABELS fuzz)
endfunction()

# The shipped programs carry no debug information: it goes into
# NAME.debug beside them, which a debugger finds through the debug link.
function(orvane_split_debug_info target)
  if(NOT ORVANE_WINDOWS)
    return()
  endif()
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE:${target}>
      $<TARGET_FILE:${target}>.debug
    COMMAND ${CMAKE_STRIP} --strip-debug --strip-unneeded $<TARGET_FILE:${target}>
    COMMAND ${CMAKE_COMMAND} -E chdir $<TARGET_FILE_DIR:${target}>
      ${CMAKE_OBJCOPY} --add-gnu-debuglink=$<TARGET_FILE_NAME:${target}>.debug
      $<TARGET_FILE_NAME:${target}>
    COMMAND ${CMAKE_COMMAND} -DFILE=$<TARGET_FILE:${target}>
      -P ${PROJECT_SOURCE_DIR}/cmake/PrintSize.cmake
    VERBATIM)
endfunction()
