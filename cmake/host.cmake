# Host tree: the platform-free core, its unit tests (AddressSanitizer and UBSan) and benchmarks.
find_package(GTest REQUIRED)
find_package(benchmark QUIET)

set(VELMORA_SANITIZE -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)

velmora_core_libs("" VELMORA_CORE_LIBS)
foreach(lib ${VELMORA_CORE_LIBS})
    target_compile_options(${lib} PRIVATE ${VELMORA_SANITIZE})
endforeach()

file(GLOB unit_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/unit/*.cpp)
if(unit_sources)
    add_executable(unit_tests ${unit_sources})
    velmora_warnings(unit_tests)
    target_compile_options(unit_tests PRIVATE ${VELMORA_SANITIZE})
    target_link_options(unit_tests PRIVATE ${VELMORA_SANITIZE})
    target_include_directories(unit_tests PRIVATE ${CMAKE_SOURCE_DIR})
    target_link_libraries(unit_tests PRIVATE "$<LINK_GROUP:RESCAN,${VELMORA_CORE_LIBS}>" GTest::gtest_main)
    add_test(NAME unit_tests COMMAND unit_tests)
endif()

# The bench's stop (scripts/wine-env.sh) with real X servers: exit 77 (skipped) where Xvfb, Xephyr
# or xdpyinfo is missing.
add_test(NAME wine_env_stop COMMAND bash ${CMAKE_SOURCE_DIR}/tests/scripts/wine_env_stop_test.sh)
set_tests_properties(wine_env_stop PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 120)

if(benchmark_FOUND)
    velmora_core_libs("_bench" VELMORA_BENCH_CORE_LIBS)
    foreach(lib ${VELMORA_BENCH_CORE_LIBS})
        target_compile_options(${lib} PRIVATE -O2)
    endforeach()
    file(GLOB bench_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/host/*_bench.cpp)
    foreach(src ${bench_sources})
        get_filename_component(name ${src} NAME_WE)
        add_executable(${name} ${src})
        target_compile_options(${name} PRIVATE -O2)
        target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
        target_link_libraries(${name} PRIVATE "$<LINK_GROUP:RESCAN,${VELMORA_BENCH_CORE_LIBS}>"
                              benchmark::benchmark)
    endforeach()
endif()
