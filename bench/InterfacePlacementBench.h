#pragma once

// ovisu_interface_bench placement: the labels of a screen created and placed, and placed again
// (a style change or a moved window), on screens of 9 and of 40 texts.
int interfacePlacementBench(int runs);
