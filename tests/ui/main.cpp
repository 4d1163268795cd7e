// The widget tests share the controller tests' entry: a QApplication on an OpenGL display.
#include "controller/main.cpp"
