#include "CapturedOutput.h"

#include <stdexcept>
#include <unistd.h>

CapturedOutput::CapturedOutput()
{
    begin(out_);
    begin(err_);
}

CapturedOutput::~CapturedOutput()
{
    finish();
}

const std::string& CapturedOutput::out()
{
    finish();
    return out_.text;
}

const std::string& CapturedOutput::err()
{
    finish();
    return err_.text;
}

void CapturedOutput::finish()
{
    if (!finished_) {
        finished_ = true;
        end(out_);
        end(err_);
    }
}

void CapturedOutput::begin(Stream& stream)
{
    std::fflush(nullptr);
    stream.file = std::tmpfile();
    stream.saved = dup(stream.fd);
    if (stream.file == nullptr || stream.saved < 0 || dup2(fileno(stream.file), stream.fd) < 0) {
        throw std::runtime_error("cannot capture output");
    }
}

void CapturedOutput::end(Stream& stream)
{
    std::fflush(nullptr);
    dup2(stream.saved, stream.fd);
    close(stream.saved);
    std::rewind(stream.file);
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, stream.file)) > 0;) {
        stream.text.append(buffer, n);
    }
    std::fclose(stream.file);
}
