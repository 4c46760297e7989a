// Waiting for a condition while the caller's Qt events keep flowing, and
// for a child program to end.
#pragma once

#include <functional>

class QProcess;

// Polls the condition, pumping Qt events, until it holds or time runs out.
bool waitUntil(const std::function<bool()>& condition, int timeoutMs);
// Asks the child to terminate, kills it when it has not ended within
// timeoutMs, and waits for it. Nothing when it is not running.
void stopProcess(QProcess& process, int timeoutMs);
