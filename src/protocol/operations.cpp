// Placeholder until the read, write, WiFi and restart operations are built.
#include "app/form1.h"
void Form1::Command6_Click() {}
void Form1::Command7_Click() {}
void Form1::Command8_Click() {}
void Form1::Command9_Click() {}
