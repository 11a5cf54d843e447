# The RIS, BibTeX and CSL-JSON readers and writers: speed and peak memory on generated files.
# Figures before and after the last speed work: README, Benchmarks.
add_executable(reference_formats_bench ${CMAKE_CURRENT_LIST_DIR}/reference_formats_bench.cpp)
target_link_libraries(reference_formats_bench PRIVATE engine platform rq_warnings)
