// How message boxes are shown. MessageBoxW (and the framework's AfxMessageBox through it) hands every box
// to the installed presenter: the window services install one that shows a real box when a program starts
// them (gwes::InitApplication), tests install a recorder. Without a presenter a box is written to standard
// error and answered with its default button, so code that shows boxes builds and runs without a window
// system.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace ce
{

class MessageBoxPresenter
{
public:
    virtual ~MessageBoxPresenter() = default;
    // Shows one box and returns the button chosen (IDOK, IDCANCEL, IDYES, ...). Runs on the thread that
    // asked for the box and returns only when the box has been answered.
    virtual int Present(HWND hOwner, std::u16string_view text, std::u16string_view caption, UINT type) = 0;
};

// Installs a presenter for the process (null: none); returns the previous one. The presenter is not
// owned and must outlive its installation.
MessageBoxPresenter* SetMessageBoxPresenter(MessageBoxPresenter* presenter);
MessageBoxPresenter* GetMessageBoxPresenter();

// The button a box of this type is answered with when nobody is asked: its default button.
int DefaultAnswer(UINT type);

struct RecordedMessageBox
{
    HWND owner = nullptr;
    std::u16string text;
    std::u16string caption;
    UINT type = 0;
};

// Records every box and answers it with a preset result (or a responder's). Installs itself for its
// lifetime and puts the previous presenter back afterwards.
class RecordingPresenter : public MessageBoxPresenter
{
public:
    explicit RecordingPresenter(int answer = IDOK);
    ~RecordingPresenter() override;
    RecordingPresenter(const RecordingPresenter&) = delete;
    RecordingPresenter& operator=(const RecordingPresenter&) = delete;

    int Present(HWND hOwner, std::u16string_view text, std::u16string_view caption, UINT type) override;

    const std::vector<RecordedMessageBox>& boxes() const { return m_boxes; }
    // The texts of the boxes shown, in order.
    std::vector<std::u16string> texts() const;
    void clear() { m_boxes.clear(); }
    void SetAnswer(int answer) { m_answer = answer; }
    // Called for each box instead of giving the preset answer (may show further boxes itself).
    void SetResponder(std::function<int(const RecordedMessageBox&)> responder)
    {
        m_responder = std::move(responder);
    }

private:
    std::vector<RecordedMessageBox> m_boxes;
    int m_answer;
    std::function<int(const RecordedMessageBox&)> m_responder;
    MessageBoxPresenter* m_previous;
};

} // namespace ce
