set(markup_PORTABLE markup_syntax.cpp)
set(markup_WIN32 markup_walk.cpp tags_layout.cpp tags_columns.cpp tags_lines.cpp tags_fill.cpp tags_rows.cpp)
set(markup_USES skin globals)
