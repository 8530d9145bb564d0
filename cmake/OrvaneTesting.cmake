# Helpers that declare test executables the same way in both presets, and the fuzz targets.

# orvane_test(NAME <name> SOURCES <files...> [LIBS <libs...>] [TIMEOUT <s>] [LABELS <labels...>]
#             [EMULATOR <command...>] [RESOURCE_LOCK <name>])
# Native builds run the cases directly; Windows builds run each case under Wine, in the Korean locale,
# through CMAKE_CROSSCOMPILING_EMULATOR, or through EMULATOR when given (a launcher that
# runs the rest of its command line, e.g. beside a simulator).
# RESOURCE_LOCK: cases that share one global resource (e.g. the one simulated VCI of a Wine
# prefix) never run at the same time.
function(orvane_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT;RESOURCE_LOCK" "SOURCES;LIBS;LABELS;EMULATOR" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock)
  if(T_EMULATOR)
    # Read by gtest_discover_tests below, so it is set first.
    set_target_properties(${T_NAME} PROPERTIES CROSSCOMPILING_EMULATOR "${T_EMULATOR}")
  endif()
  set(env_property)
  if(WIN32)
    target_link_libraries(${T_NAME} PRIVATE orvane_test_main)
    set(labels win ${T_LABELS})
    # The users' Windows: Korean, ANSI code page 949 (Wine takes it from the Unix locale).
    set(env_property ENVIRONMENT "LANG=ko_KR.UTF-8\\;LC_ALL=ko_KR.UTF-8")
  else()
    target_link_libraries(${T_NAME} PRIVATE GTest::gtest_main)
    set(labels native ${T_LABELS})
  endif()
  # A list inside PROPERTIES would split into separate words.
  string(REPLACE ";" "\\;" labels "${labels}")
  set(lock_property)
  if(T_RESOURCE_LOCK)
    set(lock_property RESOURCE_LOCK ${T_RESOURCE_LOCK})
  endif()
  gtest_discover_tests(${T_NAME}
    TEST_PREFIX "${T_NAME}."
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS "${labels}" ${lock_property} ${env_property})
endfunction()

# orvane_fuzz(NAME <name> LIBRARY <library>)
# A libFuzzer target built from <name>.cpp and the sources of <library>, compiled again so that the fuzzer
# sees their coverage, and its test: ORVANE_FUZZ_SECONDS of fuzzing seeded from corpus/<name>/ beside the
# target. New inputs and crash reproducers go to the build tree; the checked-in seeds are only read.
# Longer runs: <build>/<folder>/<name> -max_total_time=600 <build>/<folder>/<name>-corpus <source>/corpus/<name>
function(orvane_fuzz)
  cmake_parse_arguments(F "" "NAME;LIBRARY" "" ${ARGN})
  get_target_property(library_dir ${F_LIBRARY} SOURCE_DIR)
  get_target_property(library_sources ${F_LIBRARY} SOURCES)
  list(TRANSFORM library_sources PREPEND ${library_dir}/)
  add_executable(${F_NAME} ${F_NAME}.cpp ${library_sources})
  target_link_libraries(${F_NAME} PRIVATE $<TARGET_PROPERTY:${F_LIBRARY},INTERFACE_LINK_LIBRARIES>)
  target_compile_options(${F_NAME} PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_options(${F_NAME} PRIVATE -fsanitize=fuzzer,address,undefined)
  set(work ${CMAKE_CURRENT_BINARY_DIR}/${F_NAME}-corpus)
  file(MAKE_DIRECTORY ${work})
  add_test(NAME ${F_NAME}
    COMMAND ${F_NAME} -max_total_time=${ORVANE_FUZZ_SECONDS} -timeout=5
            -artifact_prefix=${CMAKE_CURRENT_BINARY_DIR}/${F_NAME}- ${work} ${CMAKE_CURRENT_SOURCE_DIR}/corpus/${F_NAME}
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  set_tests_properties(${F_NAME} PROPERTIES LABELS fuzz TIMEOUT 300)
endfunction()
