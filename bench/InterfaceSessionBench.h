#pragma once

// ovisu_interface_bench session: interface mode on the test game's menu screens, through the
// real loop, recogniser and translation service (a fake one on loopback).
int interfaceSessionBench(int quietSeconds);
