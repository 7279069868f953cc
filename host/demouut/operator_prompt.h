// Asking the operator for the serial number of a unit that could not be identified:
// in a dialog when the process shows a Qt user interface that someone can see, else on
// the terminal when standard input is one.
#pragma once

#include <string>

namespace corvid::demouut {

struct OperatorAnswer {
    enum class Outcome { Answered, Cancelled, NoOperator };
    Outcome outcome = Outcome::NoOperator;
    std::string serialNumber; // blanks around it removed
};

// question explains why the serial number is asked; suggestion is offered as the answer
// (an empty line on the terminal takes it).
OperatorAnswer AskOperatorForSerialNumber(const std::string& question, const std::string& suggestion);

} // namespace corvid::demouut
