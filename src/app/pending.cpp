#include "app/form1.h"
void Form1::Command1_Click() {}
void Form1::Command2_Click() {}
void Form1::Command4_Click() {}
void Form1::Command5_Click() {}
void Form1::Command6_Click() {}
void Form1::Command7_Click() {}
void Form1::Command8_Click() {}
void Form1::Command9_Click() {}
void Form1::Timer1_Timer() {}
void Form1::Timer2_Timer() {}
