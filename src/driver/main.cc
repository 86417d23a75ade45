#include <cstdio>

#include "driver/driver.h"

int main(int argc, char **argv) { return photofilter::run(argc, argv, stdin, stdout); }
