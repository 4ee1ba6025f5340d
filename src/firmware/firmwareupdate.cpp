// Placeholder until the firmware update is built.
#include "app/form1.h"
void Form1::Command1_Click() {}
void Form1::Command2_Click() {}
void Form1::Timer1_Timer() {}
void Form1::Timer2_Timer() {}
