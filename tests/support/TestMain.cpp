// The main of every test executable: the application object and the shell
// module exist for the whole run, as they do in the program.
#include <gtest/gtest.h>

#include <cstdio>

#include "framework/Application.h"
#include "framework/Exceptions.h"
#include "shell/core/ShellModule.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  try {
    wf::ShellModule shell;
    wf::TApplication application;
    application.SetTitle(L"Wayfold tests");
    // A test must never wait on a message box: errors that reach the
    // standard display are printed and fail the running test.
    application.OnException = [](wf::TObject*, const std::exception& e) {
      ADD_FAILURE() << "error reached the application's error display: " << e.what();
    };
    return RUN_ALL_TESTS();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "start-up failed: %s\n", e.what());
    return 1;
  }
}
