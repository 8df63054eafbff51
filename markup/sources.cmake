set(markup_PORTABLE)
set(markup_WIN32 markup_walk.cpp)
set(markup_USES skin globals)
