// Message boxes in child processes of exit-path tests: every box this
// process shows from now on is written to stderr as "[caption] text" and
// answered with its default button, so the parent can match what the user
// would have read. (The POSIX stand-in of the platform layer prints and
// answers its boxes by itself.)
#pragma once

namespace testsupport {
void echoAndAnswerBoxes();
}
