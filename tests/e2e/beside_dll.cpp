extern "C" __declspec(dllexport) int quilletBeside() { return 1; }
