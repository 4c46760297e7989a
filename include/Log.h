// Process-wide operational log. Thread-safe; never throws into the caller.
#pragma once

#define LORVET_API __attribute__((visibility("default")))

class LORVET_API Log {
public:
    static Log* get_instance();

    // path: log file; queueSize: pending lines; maxFileBytes: largest
    // file; maxFiles: files kept, the plain one at path and the older lines
    // gzip-compressed beside it. Creates the file's folder.
    bool init(const char* path, int queueSize, int maxFileBytes, int maxFiles);

    // One line: local time with milliseconds, level, file:line, message.
    // format is a wide printf format where %s takes a wide string.
    void write_log(int level, const wchar_t* file, int line, const wchar_t* format, ...);

    Log(const Log&) = delete;
    Log& operator=(const Log&) = delete;

private:
    Log();
    ~Log();
    struct Impl;
    Impl* impl_;
};
