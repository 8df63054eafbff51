set(app_PORTABLE strings.cpp)
set(app_WIN32 app_globals.cpp screen.cpp splash.cpp setup_dialog.cpp)
