// Placeholder until saving and loading setup files are built.
#include "app/form1.h"
void Form1::Command4_Click() {}
void Form1::Command5_Click() {}
