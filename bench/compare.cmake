# Whole-command comparisons (bench/compare.sh): runs commands in turn and prints same-round
# ratios of CPU and wall time and the peak memory. POSIX only.
if(NOT WIN32)
  add_executable(side_by_side ${CMAKE_CURRENT_LIST_DIR}/side_by_side.cpp)
  target_link_libraries(side_by_side PRIVATE rq_warnings)
endif()
