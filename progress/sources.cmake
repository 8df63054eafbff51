set(progress_PORTABLE tag_string.cpp)
set(progress_WIN32 dialog_utils.cpp wait.cpp wait_dialog.cpp animation.cpp)
set(progress_USES skin globals)
