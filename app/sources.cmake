set(app_PORTABLE)
set(app_WIN32 splash.cpp setup_dialog.cpp)
set(app_USES globals skin progress markup install)
