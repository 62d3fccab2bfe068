# The logon dialog, the one Qt class of the database layer.
add_library(vexmoor_db_ui STATIC
  ${CMAKE_CURRENT_LIST_DIR}/CConnectDlg.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CConnectDlg.h)
vexmoor_use_qt(vexmoor_db_ui)
target_include_directories(vexmoor_db_ui PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(vexmoor_db_ui
  PUBLIC vexmoor_db vexmoor_base_qt vexmoor_res Qt6::Widgets
  PRIVATE vexmoor_warnings)
