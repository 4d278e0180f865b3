// One option of the simulator's or the QLP tool's command line: "--name",
// "--name value" or "--name=value".
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "tools/cli_number.h"

class CliOption {
public:
    // Reads args[i]; `i` moves past a value that take() reads from the next argument.
    CliOption(const std::vector<std::string>& args, std::size_t& i, std::string& error)
        : args_(args), i_(i), error_(error), name_(args[i]) {
        if (name_.rfind("--", 0) != 0) return;
        if (const std::size_t eq = name_.find('='); eq != std::string::npos) {
            value_ = name_.substr(eq + 1);
            name_.resize(eq);
            inline_value_ = true;
        }
    }

    const std::string& name() const { return name_; }
    const std::string& value() const { return value_; }

    // An option that takes no value.
    bool Flag() {
        if (inline_value_) error_ = name_ + " takes no value";
        return !inline_value_;
    }

    // An option that takes no value and switches `on`.
    bool Flag(bool& on) {
        if (!Flag()) return false;
        on = true;
        return true;
    }

    // The option's value: after "=", or the next argument.
    bool Take() {
        if (inline_value_) return true;
        if (i_ + 1 >= args_.size()) {
            error_ = name_ + " needs a value";
            return false;
        }
        value_ = args_[++i_];
        return true;
    }

    // Reports a value that does not fit; always false.
    bool Bad(const char* what) {
        error_ = name_ + ": " + what + ", not \"" + value_ + "\"";
        return false;
    }

    // The value as a whole number min..max; `what` says what fits, for the error.
    template <typename T>
    bool Number(long min, long max, T& out, const char* what) {
        return Take() && (parseCliNumber(value_, min, max, out) || Bad(what));
    }

    // The value read by parse(value, out), which says whether it fits.
    template <typename Parse, typename T>
    bool Parsed(Parse parse, T& out, const char* what) {
        return Take() && (parse(value_, out) || Bad(what));
    }

private:
    const std::vector<std::string>& args_;
    std::size_t& i_;
    std::string& error_;
    std::string name_;
    std::string value_;
    bool inline_value_ = false;
};
