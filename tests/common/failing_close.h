#pragma once

// A close of "fromZv.dat" that fails for certain, as on a network share that reports a
// deferred write error only at close. Test executables that link failing_close.cpp are
// linked with -Wl,--wrap=fclose: every fclose goes through here, and the one armed fails
// after the file has really been closed, so what reached the file before stays.

// The next fclose of a stream on a file named "fromZv.dat" closes it and returns EOF (EIO).
void FailNextFromZvClose();
