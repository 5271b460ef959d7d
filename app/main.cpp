#include "converter_app.h"

int main(int argc, char** argv) { return tarnwick::CConverterApp::Run(argc, argv); }
