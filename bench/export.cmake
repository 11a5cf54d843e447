# Export-to-CSV throughput and memory, with the generator of realistic exports (also usable by
# other benchmarks and tests that need large inputs).
add_library(export_generator STATIC ${CMAKE_CURRENT_LIST_DIR}/export_generator.cpp)
target_include_directories(export_generator PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(export_generator PRIVATE engine rq_warnings)

add_executable(export_bench ${CMAKE_CURRENT_LIST_DIR}/export_bench.cpp)
target_link_libraries(export_bench PRIVATE engine platform export_generator benchmark::benchmark
                                           rq_warnings)
