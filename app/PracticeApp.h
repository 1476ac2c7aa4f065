// The application object: runs the practice window and ends the program when it closes.
#pragma once

#include "platform/face/app.h"

class PracticeApp : public CWinApp {
public:
    BOOL InitInstance() override;
};

extern PracticeApp theApp;
