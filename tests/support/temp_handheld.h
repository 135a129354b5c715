// A fresh handheld in a temporary folder for the life of the object: HANDHELD_DIR points at it and the
// kernel forgets any handheld it had opened before.
#pragma once

#include <filesystem>
#include <string>

namespace testing_support
{

class TempHandheld
{
public:
    TempHandheld();
    ~TempHandheld();
    TempHandheld(const TempHandheld&) = delete;
    TempHandheld& operator=(const TempHandheld&) = delete;

    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
    std::string m_previous;
    bool m_hadPrevious = false;
};

// The folder of the build's programs (build/bin), where test helper programs are.
std::filesystem::path ProgramDir();

} // namespace testing_support
