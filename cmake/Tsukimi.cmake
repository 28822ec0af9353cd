# tsukimi_library(NAME DEPS...)
# One static library per subsystem folder of src/. Sources are every .cpp in
# the folder; a library links only the libraries it may use, so the
# direction of dependencies is visible here and enforced by the linker.
function(tsukimi_library name)
    file(GLOB _sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${name}/*.cpp)
    if(NOT _sources)
        set(_sources ${PROJECT_SOURCE_DIR}/cmake/Empty.cpp)
    endif()
    add_library(tsukimi_${name} STATIC ${_sources})
    target_include_directories(tsukimi_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src
                                                      ${PROJECT_BINARY_DIR}/generated)
    target_link_libraries(tsukimi_${name} PUBLIC ${ARGN})
endfunction()

# tsukimi_test_suite(NAME LIBS...): tests/NAME/*.cpp as one gtest program.
function(tsukimi_test_suite name)
    file(GLOB _sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${name}/*.cpp)
    if(NOT _sources)
        return()
    endif()
    add_executable(test_${name} ${_sources})
    target_include_directories(test_${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(test_${name} PRIVATE ${ARGN} tsukimi_testsupport GTest::gtest GTest::gtest_main
                                               GTest::gmock)
    set_target_properties(test_${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    gtest_discover_tests(test_${name} WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
                         PROPERTIES ENVIRONMENT "TSUKIMI_BIN=${CMAKE_BINARY_DIR}/bin;TSUKIMI_SOURCE=${PROJECT_SOURCE_DIR}"
                         DISCOVERY_TIMEOUT 60)
endfunction()
