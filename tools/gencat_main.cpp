#include "gencat_cli.h"

int main(int argc, char** argv) { return tarnwick::gencat::RunGenerator(argc, argv); }
