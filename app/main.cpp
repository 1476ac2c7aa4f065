#include "app/PracticeApp.h"

int main(int argc, char** argv)
{
    return RunApplication(theApp, argc, argv);
}
