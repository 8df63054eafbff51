set(install_PORTABLE)
set(install_WIN32 download.cpp)
