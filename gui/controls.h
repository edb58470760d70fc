// Control objects: each wraps a control of a dialog, found by its id once the
// dialog's window exists. The dialog owns the objects; the controls belong to
// the dialog's window. A control that takes part in the dialog's transfer is
// made with a reference to its own field, so the type and size of the field
// are the control's by construction.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

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

    // Moves the control's field, where it has one, in the direction given.
    virtual void transfer(Transfer) {}
    // Controls have nothing to check before the dialog closes.
    virtual bool canClose() { return true; }

    void enable(bool on);
    bool isEnabled() const;
    void setText(const char* text);

protected:
    virtual void setup() {}
    // Whether the control can be worked: every call on a control comes while
    // its dialog's window exists, from a template that has the control's id.
    // A call at any other time is the caller's fault; it stops a debug build
    // and does nothing otherwise.
    bool bound() const;
    HWND hwnd_ = nullptr;

private:
    int id_;
};

// A single-line edit holding at most textLimit - 1 characters.
class Edit : public Control {
public:
    Edit(int id, unsigned textLimit) : Control(id), textLimit_(textLimit) {}
    // An edit that transfers `field`: its text limit is the field's size.
    template <std::size_t Size>
    Edit(int id, char (&field)[Size]) : Control(id), textLimit_(Size), field_(field) {
        static_assert(Size >= 2, "a field holds at least one character and the terminator");
    }
    void transfer(Transfer direction) override;
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
    char* field_ = nullptr;  // textLimit_ bytes
};

// A check box; its field, where it has one, is an int32, 1 when ticked.
class CheckBox : public Control {
public:
    using Control::Control;
    CheckBox(int id, std::int32_t& field) : Control(id), field_(&field) {}
    void transfer(Transfer direction) override;
    bool isChecked() const;
    void setChecked(bool on);

private:
    std::int32_t* field_ = nullptr;
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
