#include "app/application.h"

int main(int argc, char** argv) { return tesselon::runDesktop(argc, argv); }
