#pragma once

#include "Ast.h"
#include "Value.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vexmoor::engine {

// A type declared with TYPE ... IS RECORD or IS TABLE OF, owned by the block
// that declares it.
struct CompositeType {
    enum class Kind : std::uint8_t { Record, IndexBy, Nested, Varray };
    Kind kind = Kind::Record;
    std::string name; // upper case
    SourcePos pos;
    struct Field {
        std::string name; // upper case
        SourcePos pos;
        TypeSpec type;
        bool notNull = false;
    };
    std::vector<Field> fields; // a record's
    TypeSpec element;          // a collection's
    // A %ROWTYPE record: a record of another type takes its value when
    // their fields match in number and type.
    bool rowType = false;
    bool stringKeys = false; // INDEX BY VARCHAR2(n)
    int limit = -1;          // VARRAY(n): most elements
    int keyLength = -1;

    int fieldIndex(const std::string& field) const;
    bool isCollection() const { return kind != Kind::Record; }
    // A nested table or a varray: made by a constructor, NULL until then,
    // subscripts from 1 to its size.
    bool isDense() const { return kind == Kind::Nested || kind == Kind::Varray; }
};

// The value of a record or a collection. Values are shared until one is
// changed (see Value::mutableComposite), which gives PL/SQL's copy on
// assignment.
struct CompositeValue {
    const CompositeType* type = nullptr;
    std::vector<Value> fields;          // a record's, in declared order
    std::map<double, Value> numbered;   // a collection indexed by number
    std::map<std::string, Value> named; // INDEX BY VARCHAR2
    std::size_t extent = 0;             // a nested table's size with deleted places
};

// Whether a record of type `from` may be assigned to one of type `to`: the
// same type, or a %ROWTYPE record whose fields match the target's in number,
// order and type (two %ROWTYPE records of one table, a %ROWTYPE record into a
// RECORD type made to match it).
bool recordAssignable(const CompositeType* to, const CompositeType* from);

// What a variable of the type starts as: a record of NULL fields, an empty
// index-by table, a NULL (uninitialised) nested table, or NULL of a scalar.
Value initialValue(const TypeSpec& type);

// Collection methods and element access; ORA-06531 on an uninitialised
// nested table, ORA-06533/06532 for a subscript beyond its size, ORA-01403
// for an element that is not there.
enum class CollectionMethod : std::uint8_t {
    Count,
    First,
    Last,
    Next,
    Prior,
    Exists,
    Delete,
    Extend,
    Trim,
    Limit
};
std::optional<CollectionMethod> collectionMethod(const std::string& name);

Value readElement(const Value& collection, const Value& key, const ConversionContext& context);
// The element's place for an assignment: created in an index-by table.
Value& elementForWrite(Value& collection, const Value& key, const ConversionContext& context);
Value callMethod(Value& collection, CollectionMethod method, const std::vector<Value>& args,
                 const ConversionContext& context);
// A nested table from a constructor's elements, each converted to the element type.
// dbms_output.chararr: TABLE OF VARCHAR2(32767) INDEX BY BINARY_INTEGER.
const CompositeType& dbmsOutputCharArr();
Value constructCollection(const CompositeType& type, std::vector<Value> elements,
                          const ConversionContext& context);

} // namespace vexmoor::engine
