// Control objects: each wraps a control of a dialog, found by its id once the
// dialog's window exists. The dialog owns the objects; the controls belong to
// the dialog's window.
#pragma once

#include <windows.h>

#include <cstddef>

enum class Transfer {
    ToControls,    // the record is shown in the controls
    FromControls,  // the controls are read into the record
};

class Control {
public:
    explicit Control(int id) : id_(id) {}
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    int id() const { return id_; }
    HWND handle() const { return hwnd_; }

    // Finds the control in the dialog's window and sets it up.
    void bind(HWND dialog);
    void unbind() { hwnd_ = nullptr; }

    // The bytes this control takes in the dialog's transfer record; 0 when
    // it takes no part in the transfer.
    virtual std::size_t transferSize() const { return 0; }
    // Moves one field, of transferSize() bytes, in the direction given.
    virtual void transfer(void* field, Transfer direction);
    // Controls have nothing to check before the dialog closes.
    virtual bool canClose() { return true; }

    void enable(bool on);
    bool isEnabled() const;
    void setText(const char* text);

protected:
    virtual void setup() {}
    HWND hwnd_ = nullptr;

private:
    int id_;
};

// A single-line edit holding at most textLimit - 1 characters.
class Edit : public Control {
public:
    Edit(int id, unsigned textLimit) : Control(id), textLimit_(textLimit) {}
    std::size_t transferSize() const override { return textLimit_; }
    void transfer(void* field, Transfer direction) override;
    void setReadOnly(bool on);
    // Reads the text into a buffer of `size` bytes; always terminated.
    void getText(char* buffer, unsigned size) const;
    // Whether the whole text, in bytes of the code page, fits the field with
    // its terminator. The edit's own limit counts characters, and one
    // character may take several bytes.
    bool textFits() const;

protected:
    void setup() override;

private:
    unsigned textLimit_;
};

// A check box; its field is an int32, 1 when ticked.
class CheckBox : public Control {
public:
    using Control::Control;
    std::size_t transferSize() const override { return 4; }
    void transfer(void* field, Transfer direction) override;
    bool isChecked() const;
    void setChecked(bool on);
};

class Button : public Control {
public:
    using Control::Control;
};

class Static : public Control {
public:
    using Control::Control;
};

class ProgressBar : public Control {
public:
    ProgressBar(int id, unsigned low, unsigned high) : Control(id), low_(low), high_(high) {}
    void setValue(unsigned value);

protected:
    void setup() override;

private:
    unsigned low_;
    unsigned high_;
};
