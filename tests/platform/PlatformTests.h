#pragma once

// The test classes of the platform layer, run one after another by tst_platform.cpp.
int runSingleInstanceTests(int argc, char** argv);
int runDesktopIntegrationTests(int argc, char** argv);
int runSoundTests(int argc, char** argv);
int runShellServicesTests(int argc, char** argv);
