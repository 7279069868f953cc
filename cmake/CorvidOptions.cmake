# Compiler options shared by every target of the project.

add_compile_options(-Wall -Wextra -Wpedantic -Wshadow)
if(CORVID_WERROR)
    add_compile_options(-Werror)
endif()

if(CORVID_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()

# Where the tests' throw-away PostgreSQL server keeps its data and writes its URI.
set(CORVID_TEST_PG_DIR ${CMAKE_BINARY_DIR}/pgtest)

# corvid_test(NAME [POSTGRES] SOURCES... LIBS libs...): a GoogleTest program registered with CTest.
# Each test gets its own CORVID_HOME and CORVID_RUNTIME_DIR from the fixture it uses.
# POSTGRES: the tests use the throw-away PostgreSQL server that CTest starts before them
# and stops after them (tests/support), found through CORVID_TEST_PG_DIR.
function(corvid_test name)
    cmake_parse_arguments(ARG "POSTGRES" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} corvid_testsupport GTest::gtest GTest::gtest_main)
    set(properties TIMEOUT 120)
    if(ARG_POSTGRES)
        target_link_libraries(${name} PRIVATE corvid_pgtestsupport)
        list(APPEND properties FIXTURES_REQUIRED corvid_postgres
             ENVIRONMENT CORVID_TEST_PG_DIR=${CORVID_TEST_PG_DIR})
    endif()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 30 PROPERTIES ${properties})
endfunction()
