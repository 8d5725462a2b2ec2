// The entry point: one production object, created, run and destroyed.
#include "production/application.h"

int main() {
    CMyD3DApplication application;
    if (FAILED(application.Create(GetModuleHandle(nullptr)))) return 0;
    return static_cast<int>(application.Run());
}
