# The process-wide handles, window placement and string helpers that every area may use.
set(globals_PORTABLE strings.cpp)
set(globals_WIN32 app_globals.cpp screen.cpp)
