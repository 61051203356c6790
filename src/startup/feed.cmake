# The update feed: its descrambler, version order and feed reading, and the
# check through the download layer.
orvane_core_sources(
  ${CMAKE_CURRENT_LIST_DIR}/feed_hex_text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/feed_version.cpp
  ${CMAKE_CURRENT_LIST_DIR}/feed_rules.cpp)
orvane_win_sources(${CMAKE_CURRENT_LIST_DIR}/feed_check.cpp)
