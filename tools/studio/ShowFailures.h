// While one of these lives, a failure of the show neither ends the process nor
// waits on a modal box: a box's text goes to standard error ("caption: text"),
// as it does where no display can show it, and is kept; a show that asks to end
// the process (endShowOnFailure) is recorded and goes on, its failing layer
// drawing nothing. A layer's quit request stays queued, as before.
#pragma once

#include <string>

class ShowFailures {
public:
    ShowFailures();
    // The process ends on such failures again and boxes open again.
    ~ShowFailures();
    ShowFailures(const ShowFailures&) = delete;
    ShowFailures& operator=(const ShowFailures&) = delete;

    // True when the show has failed since the last call: message is then the
    // first box's text, or the exit code the show asked for when it showed none.
    bool take(std::string& message);

private:
    std::string message_;
    bool failed_ = false;
};

// Drops the show's queued quit requests: in play the studio reports a failing
// show and goes on instead of ending.
void dropQuitRequests();
