# Shared build settings and the helpers that add tests and fuzz targets.

set(PROJECT_WARNINGS -Wall -Wextra -Wno-unused-parameter -Wno-missing-field-initializers)

if(WIN32)
  add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0600
                          WINVER=0x0600 _WIN32_IE=0x0600 DIRECTINPUT_VERSION=0x0800)
  # One static executable: no mingw runtime DLLs beside it.
  add_link_options(-static -static-libgcc -static-libstdc++)
  if(SETTINGS_RELEASE)
    # The same bytes from every build of one commit, wherever it is built: no build paths
    # (file-prefix maps), no link time stamp in the PE header, no symbols or debug sections.
    add_compile_options(-ffile-prefix-map=${PROJECT_SOURCE_DIR}=. -ffile-prefix-map=${PROJECT_BINARY_DIR}=build)
    add_link_options(-s -Wl,--no-insert-timestamp)
    # Code and data nothing uses are left out, and the code is optimised for size, to keep
    # the program within 1.5 MB: a dialog program gains nothing from the faster, larger code.
    add_compile_options(-Os -ffunction-sections -fdata-sections)
    add_link_options(-Wl,--gc-sections)
  endif()
else()
  # The native build exists to run the portable code under the sanitizers.
  set(SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_compile_options(${SANITIZER_FLAGS} -g)
  if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    # Coverage instrumentation for the fuzzers in all of the project's code, not only in
    # the fuzz targets' own files.
    add_compile_options(-fsanitize=fuzzer-no-link)
  endif()
  add_link_options(${SANITIZER_FLAGS})
endif()

# project_library(NAME SOURCES... [LIBS ...]) - a static library of the project's own code.
function(project_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_compile_options(${name} PRIVATE ${PROJECT_WARNINGS})
  if(ARG_LIBS)
    target_link_libraries(${name} PUBLIC ${ARG_LIBS})
  endif()
endfunction()

if(WIN32)
  # Windows tests run through Wine, in the session each is given (see windows_test).
  set(WINE_TEST_RUNNER ${PROJECT_SOURCE_DIR}/tools/in-wine-session.sh)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${WINE_TEST_RUNNER} wine)

  # The Wine sessions as ctest resources, for the test presets "<preset>-sessions": as many
  # sessions as the test command starts (SETTINGS_WINE_SESSIONS), two slots each, and in the
  # 32-bit build one more with a 32-bit prefix. Written at configure time so that those
  # presets also run by hand after a build, then in the one session of the shell.
  set(SETTINGS_WINE_SESSIONS 3 CACHE STRING "Wine sessions the test command runs side by side")
  set(sessions "")
  math(EXPR last "${SETTINGS_WINE_SESSIONS} - 1")
  foreach(id RANGE ${last})
    list(APPEND sessions "{\"id\": \"${id}\", \"slots\": 2}")
  endforeach()
  list(JOIN sessions ", " sessions)
  set(prefix32 "")
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(prefix32 ", \"wine32\": [{\"id\": \"win32\", \"slots\": 2}]")
  endif()
  file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/wine-sessions.json
       CONTENT "{\"version\": {\"major\": 1, \"minor\": 0}, \"local\": [{\"wine\": [${sessions}]${prefix32}}]}\n")
endif()

# unit_test(NAME SOURCES... [LIBS ...]) - one googletest executable and one ctest entry.
# In the Windows build ctest runs it through Wine (CMAKE_CROSSCOMPILING_EMULATOR), so a
# whole executable is one Wine start.
function(unit_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
  target_compile_options(${name} PRIVATE ${PROJECT_WARNINGS})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} gtest gtest_main)
  if(WIN32)
    set_target_properties(${name} PROPERTIES WIN32_EXECUTABLE OFF)
  endif()
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  set_tests_properties(${name} PROPERTIES TIMEOUT 120)
  if(WIN32)
    windows_test(${name})
  endif()
endfunction()

# windows_test(NAME [ALONE] [COST SECONDS] [PREFIX32]) - where a test under Wine runs. The
# test command runs several Wine sessions side by side, each a ctest resource "wine" of two
# slots, and tools/in-wine-session.sh starts the test in the session it is given. A test
# shares its session with one other test, or with ALONE has a session to itself: tests that
# work the desktop and the keyboard focus, the pads or the settings file. COST, about the
# seconds a test takes, lets the longest start first. PREFIX32 runs it in the session with a
# 32-bit prefix (resource "wine32"), which only the 32-bit build has.
function(windows_test name)
  cmake_parse_arguments(ARG "ALONE;PREFIX32" "COST" "" ${ARGN})
  set(slots 1)
  if(ARG_ALONE)
    set(slots 2)
  endif()
  set(resource wine)
  if(ARG_PREFIX32)
    set(resource wine32)
  endif()
  set_tests_properties(${name} PROPERTIES RESOURCE_GROUPS ${resource}:${slots})
  if(ARG_COST)
    set_tests_properties(${name} PROPERTIES COST ${ARG_COST})
  endif()
endfunction()

# test_data_folder(TARGET DEFINE FOLDER) - hands a test a folder of the build as the string
# DEFINE; the Windows build reaches it through Wine's Z: drive.
function(test_data_folder target define folder)
  if(WIN32)
    target_compile_definitions(${target} PRIVATE ${define}="Z:${folder}")
  else()
    target_compile_definitions(${target} PRIVATE ${define}="${folder}")
  endif()
endfunction()

# fuzz_target(NAME SOURCE [LIBS ...] [SECONDS n] [FLAGS ...] [CORPUS dir...]) - a libFuzzer
# target, run by ctest for a bounded time on its seed corpus with the given libFuzzer flags.
# Native build with clang only.
function(fuzz_target name)
  cmake_parse_arguments(ARG "" "SOURCE;SECONDS" "LIBS;FLAGS;CORPUS" ${ARGN})
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    return()
  endif()
  if(NOT ARG_SECONDS)
    set(ARG_SECONDS 30)
  endif()
  add_executable(${name} ${ARG_SOURCE})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  set(work ${CMAKE_CURRENT_BINARY_DIR}/${name}_corpus)
  set(seeds "")
  if(ARG_CORPUS)
    set(seeds ${ARG_CORPUS})
  endif()
  add_test(NAME ${name}
           COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=1
                   ${CMAKE_CURRENT_SOURCE_DIR}/run_fuzzer.sh $<TARGET_FILE:${name}>
                   ${ARG_SECONDS} ${work} ${ARG_FLAGS} ${seeds})
  set_tests_properties(${name} PROPERTIES TIMEOUT 600 LABELS fuzz)
endfunction()
