# Compiler options shared by every target of the project.

add_compile_options(-Wall -Wextra -Wpedantic -Wshadow)
if(CORVID_WERROR)
    add_compile_options(-Werror)
endif()

if(CORVID_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()

# corvid_test(NAME SOURCES... LIBS libs...): a GoogleTest program registered with CTest.
# Each test gets its own CORVID_HOME and CORVID_RUNTIME_DIR from the fixture it uses.
function(corvid_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} corvid_testsupport GTest::gtest GTest::gtest_main)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 30 PROPERTIES TIMEOUT 120)
endfunction()
