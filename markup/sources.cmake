set(markup_PORTABLE)
set(markup_WIN32 markup_walk.cpp)
