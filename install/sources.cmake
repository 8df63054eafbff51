set(install_PORTABLE zip_reader.cpp inf_parse.cpp dde_command.cpp)
set(install_WIN32 download.cpp download_worker.cpp extract.cpp unzip.cpp ini_config.cpp shortcut.cpp progman_dde.cpp package_digest.cpp)
set(install_USES progress globals)
