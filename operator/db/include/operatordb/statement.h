// A prepared statement of a Database, in the layer's SQL (SQLite's dialect: [names],
// ?N and :Name parameters), run once or many times.
#pragma once

#include "operatordb/value.h"

#include <string>

namespace corvid::operatordb {

// Errors raise DbError with the engine's message and the
// statement as the caller wrote it (the source given to Prepare).
class Statement {
public:
    virtual ~Statement() = default;

    // Binds every parameter of the statement by name from params (names compare
    // without regard to case). A parameter without a value, and a value for a
    // parameter the statement does not have, are errors.
    virtual void BindNamed(const Parameters& params) = 0;
    // Binds the parameter written ?index.
    virtual void Bind(int index, const Value& value) = 0;

    // Runs one step: true when a row is ready, false when done. A statement that fails
    // changes nothing.
    virtual bool Step() = 0;
    // Makes the statement ready to run again with new bindings.
    virtual void Reset() = 0;

    virtual int ColumnCount() const = 0;
    virtual std::string ColumnName(int i) const = 0;
    virtual Value Column(int i) const = 0;
    bool ReturnsRows() const { return ColumnCount() > 0; }
};

} // namespace corvid::operatordb
