#pragma once
// Modal message dialogs with one to three buttons.
#include <string>
#include <string_view>
#include <vector>

namespace tsukimi::platform {

// One modal question. Texts in Shift-JIS; a line break is CR LF or LF.
struct DialogRequest
{
    std::string caption, text;
    std::vector<std::string> buttons;
    // Buttons in the order their accelerators are checked: a key that
    // matches the character after the first "(" of a caption (without ASCII
    // case) clicks that button, and when several match the last one checked
    // wins. Empty: no accelerators.
    std::vector<int> acceleratorOrder;
    int focus = 0; // the button Return chooses
    int width = 540, height = 104;
    // Left edges of the buttons; empty: right-aligned in order.
    std::vector<int> buttonX;
};

class Dialogs
{
public:
    virtual ~Dialogs() = default;
    // Texts in Shift-JIS. Returns the index of the chosen button (0-based),
    // or -1 when the dialog was closed without a choice.
    virtual int Show(std::string_view caption, std::string_view text,
                     const std::vector<std::string>& buttons) = 0;
    virtual int Show(const DialogRequest& request)
    {
        return Show(request.caption, request.text, request.buttons);
    }
};

// The accelerator character of a button caption: the byte after its first
// "(", lower-cased; 0 when there is none or it starts a two-byte character.
char AcceleratorOf(std::string_view caption);
// The button a key press chooses, or -1 when no accelerator matches.
int AcceleratorAnswer(const DialogRequest& request, char key);

// Answers every dialog with its first button and prints its text (UTF-8) to
// standard error; remembers what it showed.
class HeadlessDialogs final : public Dialogs
{
public:
    struct Shown
    {
        std::string caption, text;
        std::vector<std::string> buttons;
    };
    int Show(std::string_view caption, std::string_view text,
             const std::vector<std::string>& buttons) override;
    int Show(const DialogRequest& request) override;
    const std::vector<Shown>& History() const { return shown_; }
    const std::vector<DialogRequest>& Requests() const { return requests_; }
    // A key to press in the next dialog, answered through its accelerators
    // (no match: the dialog answers as it would without the key).
    void QueueKey(char key) { keys_.push_back(key); }
    // Answers to give instead of 0, consumed in order.
    void QueueAnswer(int answer) { answers_.push_back(answer); }
    void SetQuiet(bool quiet) { quiet_ = quiet; }

private:
    std::vector<Shown> shown_;
    std::vector<DialogRequest> requests_;
    std::vector<int> answers_;
    std::vector<char> keys_;
    bool quiet_ = false;
};

} // namespace tsukimi::platform
