# Fuzz targets. Every target is built in every configuration. With CORVID_FUZZ (clang) it
# is a libFuzzer program and its test fuzzes briefly from the seed corpus; otherwise a
# small main runs it once over each seed file, so the seeds stay a regression test.
set(use_libfuzzer OFF)
if(CORVID_FUZZ)
    if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        set(use_libfuzzer ON)
    else()
        message(WARNING "CORVID_FUZZ needs clang: fuzz targets only run their seed corpus")
    endif()
endif()
set(CORVID_USE_LIBFUZZER ${use_libfuzzer} CACHE INTERNAL "Fuzz targets are libFuzzer programs")
set(CORVID_FUZZ_DIR ${CMAKE_SOURCE_DIR}/fuzz CACHE INTERNAL "The shared fuzz support files")

# A copy of a library compiled with the fuzzer's coverage instrumentation, so that the
# fuzzer sees the branches of the code under test, not only those of the harness. The
# library itself stays uninstrumented for everything else that links it.
function(corvid_fuzz_instrumented_copy library copy)
    get_target_property(sources ${library} SOURCES)
    get_target_property(source_dir ${library} SOURCE_DIR)
    get_target_property(include_dirs ${library} INCLUDE_DIRECTORIES)
    get_target_property(libraries ${library} LINK_LIBRARIES)
    list(TRANSFORM sources PREPEND ${source_dir}/ REGEX "^[^/]")
    add_library(${copy} STATIC ${sources})
    target_include_directories(${copy} PUBLIC ${include_dirs})
    if(libraries)
        target_link_libraries(${copy} PUBLIC ${libraries})
    endif()
    target_compile_options(${copy} PRIVATE -fsanitize=fuzzer-no-link)
endfunction()

# corvid_fuzzer(NAME SOURCES... LIBS... CORPUS folder [OPTIONS libFuzzer options...]): a
# fuzz target and its test. CORPUS is relative to the calling folder.
function(corvid_fuzzer name)
    cmake_parse_arguments(ARG "" "CORPUS" "SOURCES;LIBS;OPTIONS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR} ${CORVID_FUZZ_DIR})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS})
    set(seeds ${CMAKE_CURRENT_SOURCE_DIR}/${ARG_CORPUS})
    if(CORVID_USE_LIBFUZZER)
        target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
        target_link_options(${name} PRIVATE -fsanitize=fuzzer)
        # New inputs go to a corpus in the build tree; the seeds in the source tree are
        # only read. Crashing inputs land beside it.
        set(work ${CMAKE_CURRENT_BINARY_DIR}/${name}.corpus)
        set(artifacts ${CMAKE_CURRENT_BINARY_DIR}/${name}.artifacts)
        file(MAKE_DIRECTORY ${work} ${artifacts})
        add_test(NAME ${name}
                 COMMAND ${name} -runs=200000 -max_total_time=20 ${ARG_OPTIONS} -artifact_prefix=${artifacts}/
                         ${work} ${seeds})
        set_tests_properties(${name} PROPERTIES TIMEOUT 180)
    else()
        target_sources(${name} PRIVATE ${CORVID_FUZZ_DIR}/standalone_main.cpp)
        add_test(NAME ${name} COMMAND ${name} ${seeds})
    endif()
    set_tests_properties(${name} PROPERTIES LABELS fuzz)
endfunction()
