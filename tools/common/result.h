// SPDX-License-Identifier: GPL-3.0-or-later
// Results and errors: a value or the text of what went wrong.
#pragma once

#include <string>
#include <variant>

namespace wl {

// A value or the text of what went wrong.
template <class T> class Result {
  public:
    Result(T value) : v_(std::move(value)) {}
    static Result fail(std::string why) { return Result(Error{std::move(why)}); }
    bool ok() const { return v_.index() == 0; }
    explicit operator bool() const { return ok(); }
    T& operator*() { return std::get<0>(v_); }
    const T& operator*() const { return std::get<0>(v_); }
    T* operator->() { return &std::get<0>(v_); }
    const T* operator->() const { return &std::get<0>(v_); }
    const std::string& error() const { return std::get<1>(v_).why; }

  private:
    struct Error {
        std::string why;
    };
    explicit Result(Error e) : v_(std::move(e)) {}
    std::variant<T, Error> v_;
};

struct Done {};
using Status = Result<Done>;
inline Status ok() { return Done{}; }
inline Status fail(std::string why) { return Status::fail(std::move(why)); }

// The text of errno, for "cannot open: No such file or directory".
std::string errnoText();

} // namespace wl
