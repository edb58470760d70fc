// Control objects: each wraps a control of a dialog, found by its id once the
// dialog's window exists. The dialog owns the objects; the controls belong to
// the dialog's window. A control that takes part in the dialog's transfer is
// made with a reference to its own field, so the type and size of the field
// are the control's by construction.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "platform/report.h"

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
    // False when the field does not hold the control's value: a text longer
    // than its field (see Edit).
    virtual bool transfer(Transfer) { return true; }
    // Controls have nothing to check before the dialog closes.
    virtual bool canClose() { return true; }

    void enable(bool on);
    bool isEnabled() const;
    virtual void setText(const char* text);

protected:
    virtual void setup() {}
    // Whether the control can be worked: every call on a control comes while
    // its dialog's window exists, from a template that has the control's id.
    // A call at any other time is the caller's fault: it is reported, and
    // the call does nothing.
    bool bound() const { return !ReportIf(!hwnd_); }
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
    // The edit's own limit counts characters, and one character may take
    // several bytes of the code page: a text may not fit its field. Saved,
    // it fills the field without a terminator and the transfer says false;
    // until the field is given a value of the program's own, no load writes
    // it back, so the edit keeps its whole text.
    bool transfer(Transfer direction) override;
    // Whether the text fitted its field when the edit was last saved.
    bool fitted() const { return fitted_; }
    // A value of the program's own for the field (a choice), taken whole when
    // it fits with its terminator; false, and nothing changes, when not. The
    // next load shows it.
    bool assign(const char* text);
    void setReadOnly(bool on);
    // Reads the text into a buffer of `size` bytes; always terminated.
    void getText(char* buffer, unsigned size) const;

protected:
    void setup() override;

private:
    unsigned textLimit_;
    char* field_ = nullptr;  // textLimit_ bytes
    bool fitted_ = true;
};

// A check box; its field, where it has one, is an int32, 1 when ticked.
class CheckBox : public Control {
public:
    using Control::Control;
    CheckBox(int id, std::int32_t& field) : Control(id), field_(&field) {}
    bool transfer(Transfer direction) override;
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
