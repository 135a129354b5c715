// Test programs that make windows: every window lives on Qt's offscreen platform, and one application
// serves the whole program and is shut down once after its last test.
#pragma once

namespace testing_support
{

enum class Handheld
{
    PerProgram, // one fresh handheld for all the program's tests, made before the application
    PerFixture, // the fixtures make their own (testing_support::TempHandheld) before their windows
};

// Call from a static initialiser of the test program (it must run before the application is made);
// returns true.
bool UseWindowSystem(Handheld handheld);

} // namespace testing_support
