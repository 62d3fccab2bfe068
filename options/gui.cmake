# The options dialog and the Options command over it.
add_library(vexmoor_options_ui STATIC
  ${CMAKE_CURRENT_LIST_DIR}/COptionsDlg.cpp
  ${CMAKE_CURRENT_LIST_DIR}/COptionsDlg.h
  ${CMAKE_CURRENT_LIST_DIR}/WaitCursor.h)
vexmoor_use_qt(vexmoor_options_ui)
target_include_directories(vexmoor_options_ui PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(vexmoor_options_ui
  PUBLIC vexmoor_options vexmoor_base_qt vexmoor_res Qt6::Widgets
  PRIVATE vexmoor_warnings)
