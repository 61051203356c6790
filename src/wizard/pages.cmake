# Page flow, page texts, page actions and painting.
orvane_core_sources(
  ${CMAKE_CURRENT_LIST_DIR}/page_flow.cpp
  ${CMAKE_CURRENT_LIST_DIR}/page_texts.cpp)
orvane_win_sources(
  ${CMAKE_CURRENT_LIST_DIR}/page_actions.cpp
  ${CMAKE_CURRENT_LIST_DIR}/close_handler.cpp
  ${CMAKE_CURRENT_LIST_DIR}/folder_browser.cpp
  ${CMAKE_CURRENT_LIST_DIR}/painting.cpp
  ${CMAKE_CURRENT_LIST_DIR}/painting_canvas.cpp
  ${CMAKE_CURRENT_LIST_DIR}/painting_text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/banners.cpp)
