#include "harness.h"
int main() { return 0; }
