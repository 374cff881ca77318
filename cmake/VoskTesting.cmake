# One helper per kind of test, so that every test gets the same environment.
find_package(GTest REQUIRED)
find_package(Qt6 REQUIRED COMPONENTS Test)

set(VOSK_SOURCE_DATA ${CMAKE_SOURCE_DIR}/data)

# Core test: GoogleTest, links only plain C++ libraries.
function(vosk_add_gtest name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE VOSK_SOURCE_DATA="${VOSK_SOURCE_DATA}"
                                             VOSK_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES LABELS core TIMEOUT 300)
endfunction()

# Window test: Qt Test on the offscreen platform, no display needed.
function(vosk_add_qtest name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  set_target_properties(${name} PROPERTIES AUTOMOC ON)
  target_link_libraries(${name} PRIVATE ${T_LIBS} Qt6::Test Qt6::Widgets)
  target_compile_definitions(${name} PRIVATE VOSK_SOURCE_DATA="${VOSK_SOURCE_DATA}"
                                             VOSK_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES LABELS window TIMEOUT 300
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8")
endfunction()

# End-to-end test: a shell script that runs the real binary in Xvfb.
function(vosk_add_e2e name script)
  add_test(NAME ${name} COMMAND bash ${script} $<TARGET_FILE:voskbase> ${CMAKE_CURRENT_BINARY_DIR}/${name}.out)
  set_tests_properties(${name} PROPERTIES LABELS e2e TIMEOUT 600 RUN_SERIAL ON)
endfunction()
