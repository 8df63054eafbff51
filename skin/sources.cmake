set(skin_PORTABLE skin_text.cpp)
set(skin_WIN32 bitmap.cpp bitmap_button.cpp panel.cpp status_bar.cpp)
set(skin_USES globals)
