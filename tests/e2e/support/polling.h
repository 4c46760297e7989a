// Waiting for a condition while the caller's Qt events keep flowing.
#pragma once

#include <functional>

// Polls the condition, pumping Qt events, until it holds or time runs out.
bool waitUntil(const std::function<bool()>& condition, int timeoutMs);
