// Captures what the process writes to standard output and standard error.
#pragma once

#include <cstdio>
#include <string>

class CapturedOutput {
public:
    CapturedOutput();
    ~CapturedOutput();
    CapturedOutput(const CapturedOutput&) = delete;
    CapturedOutput& operator=(const CapturedOutput&) = delete;

    // Ends the capture (once) and returns what was written meanwhile.
    const std::string& out();
    const std::string& err();

private:
    struct Stream {
        explicit Stream(int captured) : fd(captured) {}
        int fd;
        std::FILE* file = nullptr;
        int saved = -1;
        std::string text;
    };
    void finish();
    static void begin(Stream& stream);
    static void end(Stream& stream);

    Stream out_{1};
    Stream err_{2};
    bool finished_ = false;
};
