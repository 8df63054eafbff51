// TEMPORARY placeholder until this installation step lands.
#include "install/extract.h"
void ExtractPackage(BSTR, BSTR) {}
