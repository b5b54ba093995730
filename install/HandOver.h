#pragma once

namespace install {

// A launcher that hands its work over to a copy of itself (the self-update
// and the second uninstall stage) starts it with "--path" and "--pid". main()
// passes their values on in a hash from these keys: the path as a string, the
// process id as an int. An option that was not given has no entry.
enum HandOverOption : int {
    HandOverPath = 0,
    HandOverPid = 1,
};

// How long the copy waits for the process that started it to end before it
// goes on regardless.
constexpr int kHandOverWaitMs = 30000;

} // namespace install
