// What went wrong, as the readers, the writers and the conversion return it
// instead of showing anything: the entry of core/messages.h the program shows
// for it and the file it is about. The window layer shows it in a message box,
// the batch converter prints it.
#pragma once
#include <optional>
#include <string>
#include <utility>
#include "core/messages.h"

struct Failure {
    const Message* message = nullptr;
    std::string path;  // what the message's {path} stands for; empty when it names no file

    std::string Text() const { return MessageText(*message, path); }
    std::string Caption() const { return MessageCaption(*message, path); }
    // The words of the message that do not name the file: the caption where
    // the text is the path, the text where the caption is, otherwise
    // "caption: text".
    std::string Reason() const;
};

// What a function that makes nothing returns when it has done its work.
struct Done {};

// A value, or the failure that kept it from being made.
template <typename T>
class Result {
public:
    Result(T value) : value_(std::move(value)) {}
    Result(Failure failure) : failure_(std::move(failure)) {}
    // value, or failure when there is none.
    Result(std::optional<T> value, Failure failure) : value_(std::move(value)) {
        if (!value_) failure_ = std::move(failure);
    }

    explicit operator bool() const { return value_.has_value(); }
    T& operator*() { return *value_; }
    const T& operator*() const { return *value_; }
    T* operator->() { return &*value_; }
    const T* operator->() const { return &*value_; }
    // Takes the value out, for a holder that may have none.
    std::optional<T> Take() && { return std::move(value_); }
    // What went wrong; meaningful only when there is no value.
    const Failure& Problem() const { return failure_; }

private:
    std::optional<T> value_;
    Failure failure_;
};
