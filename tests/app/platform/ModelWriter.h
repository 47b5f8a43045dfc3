// Writes small TensorFlow Lite model files for the inference tests: tensors
// with their shapes, types and constant bytes, operators with their options,
// in the flatbuffer layout the reader follows (every table behind its field
// table, every referenced object after the one that refers to it).
#pragma once

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace modelwriter {

// A flatbuffer table: scalar fields, vectors of scalars or tables, strings and
// tables, each under its field number.
struct Table {
    struct Field {
        int id = 0;
        enum Kind { Scalar, Bytes, Tables, Child } kind = Scalar;
        std::vector<uint8_t> bytes;  // the scalar, or the elements (Bytes)
        uint32_t count = 0;          // elements of a Bytes vector (a string: its length)
        std::vector<Table> tables;   // Tables, or the one Child
    };
    std::vector<Field> fields;

    template <class T>
    Table& scalar(int id, T value) {
        Field f;
        f.id = id;
        f.bytes.resize(sizeof(T));
        std::memcpy(f.bytes.data(), &value, sizeof(T));
        fields.push_back(std::move(f));
        return *this;
    }
    Table& i8(int id, int8_t v) { return scalar(id, v); }
    Table& i32(int id, int32_t v) { return scalar(id, v); }
    Table& u32(int id, uint32_t v) { return scalar(id, v); }
    Table& bytes(int id, const std::vector<uint8_t>& elements, uint32_t count) {
        Field f;
        f.id = id;
        f.kind = Field::Bytes;
        f.bytes = elements;
        f.count = count;
        fields.push_back(std::move(f));
        return *this;
    }
    Table& ints(int id, const std::vector<int32_t>& v) {
        std::vector<uint8_t> b(v.size() * 4);
        if (!v.empty()) std::memcpy(b.data(), v.data(), b.size());
        return bytes(id, b, uint32_t(v.size()));
    }
    Table& string(int id, const std::string& s) {
        return bytes(id, std::vector<uint8_t>(s.begin(), s.end()), uint32_t(s.size()));
    }
    Table& tables(int id, std::vector<Table> v) {
        Field f;
        f.id = id;
        f.kind = Field::Tables;
        f.tables = std::move(v);
        fields.push_back(std::move(f));
        return *this;
    }
    Table& child(int id, Table t) {
        Field f;
        f.id = id;
        f.kind = Field::Child;
        f.tables.push_back(std::move(t));
        fields.push_back(std::move(f));
        return *this;
    }
};

class Writer {
public:
    // The file: the root offset, "TFL3", the root table and all below it.
    std::vector<uint8_t> finish(const Table& root) {
        out_.assign(8, 0);
        std::memcpy(out_.data() + 4, "TFL3", 4);
        const size_t at = write(root);
        put32(0, uint32_t(at));
        return out_;
    }

private:
    void put32(size_t pos, uint32_t v) { std::memcpy(out_.data() + pos, &v, 4); }
    void append(const void* p, size_t n) {
        const auto* b = static_cast<const uint8_t*>(p);
        out_.insert(out_.end(), b, b + n);
    }
    void align4() {
        while (out_.size() % 4) out_.push_back(0);
    }
    size_t writeVector(const Table::Field& f) {
        align4();
        const size_t at = out_.size();
        append(&f.count, 4);
        append(f.bytes.data(), f.bytes.size());
        if (f.kind == Table::Field::Bytes && f.bytes.size() == f.count) out_.push_back(0);  // a string's end
        return at;
    }
    size_t writeTables(const std::vector<Table>& tables) {
        align4();
        const size_t at = out_.size();
        const uint32_t n = uint32_t(tables.size());
        append(&n, 4);
        out_.resize(out_.size() + 4 * n);
        for (uint32_t i = 0; i < n; ++i) {
            const size_t slot = at + 4 + 4 * i;
            put32(slot, uint32_t(write(tables[i]) - slot));
        }
        return at;
    }
    // The field table first, then the table: its scalars in place and a slot
    // for each offset, filled once the object behind it is written.
    size_t write(const Table& t) {
        int maxId = -1;
        for (const auto& f : t.fields) maxId = std::max(maxId, f.id);
        std::vector<uint16_t> offsets(size_t(maxId + 1), 0);
        std::vector<uint8_t> body(4, 0);  // the distance back to the field table
        std::vector<std::pair<size_t, const Table::Field*>> pending;
        for (const auto& f : t.fields) {
            offsets[size_t(f.id)] = uint16_t(body.size());
            if (f.kind == Table::Field::Scalar) {
                body.insert(body.end(), f.bytes.begin(), f.bytes.end());
            } else {
                pending.emplace_back(body.size(), &f);
                body.resize(body.size() + 4);
            }
        }
        align4();
        const size_t vtable = out_.size();
        const uint16_t vlen = uint16_t(4 + 2 * offsets.size());
        const uint16_t tlen = uint16_t(body.size());
        append(&vlen, 2);
        append(&tlen, 2);
        append(offsets.data(), 2 * offsets.size());
        align4();
        const size_t table = out_.size();
        const int32_t back = int32_t(table - vtable);
        std::memcpy(body.data(), &back, 4);
        append(body.data(), body.size());
        for (const auto& [offset, field] : pending) {
            size_t target = 0;
            if (field->kind == Table::Field::Bytes)
                target = writeVector(*field);
            else if (field->kind == Table::Field::Tables)
                target = writeTables(field->tables);
            else
                target = write(field->tables[0]);
            put32(table + offset, uint32_t(target - (table + offset)));
        }
        return table;
    }

    std::vector<uint8_t> out_;
};

// Operator codes and tensor types of the model format.
enum Op {
    kAdd = 0,
    kAveragePool2D = 1,
    kConv2D = 3,
    kDepthwiseConv2D = 4,
    kDequantize = 6,
    kLogistic = 14,
    kMul = 18,
    kRelu = 19,
    kResizeBilinear = 23,
    kCustom = 32,
    kHardSwish = 117,
};
enum Type : int8_t { kFloat32 = 0, kFloat16 = 1, kInt32 = 2 };

inline std::vector<uint8_t> FloatBytes(const std::vector<float>& v) {
    std::vector<uint8_t> b(v.size() * 4);
    if (!v.empty()) std::memcpy(b.data(), v.data(), b.size());
    return b;
}
inline std::vector<uint8_t> IntBytes(const std::vector<int32_t>& v) {
    std::vector<uint8_t> b(v.size() * 4);
    if (!v.empty()) std::memcpy(b.data(), v.data(), b.size());
    return b;
}

// One subgraph of tensors and operators, its inputs and outputs.
struct Model {
    struct Tensor {
        std::vector<int32_t> shape;
        int8_t type = kFloat32;
        std::vector<uint8_t> data;  // constant bytes, empty for an activation
        int sharesBufferOf = -1;    // another tensor whose buffer this one reads
    };
    struct Operator {
        int code = kAdd;
        std::string custom;  // the custom operator's name (code kCustom)
        std::vector<int32_t> in, out;
        Table options;  // the built-in options table
        bool hasOptions = false;
        std::vector<uint8_t> customOptions;
    };
    std::vector<Tensor> tensors;
    std::vector<Operator> ops;
    std::vector<int32_t> inputs, outputs;

    int tensor(std::vector<int32_t> shape, int8_t type = kFloat32, std::vector<uint8_t> data = {}) {
        tensors.push_back({std::move(shape), type, std::move(data)});
        return int(tensors.size()) - 1;
    }
    int constant(std::vector<int32_t> shape, const std::vector<float>& values) {
        return tensor(std::move(shape), kFloat32, FloatBytes(values));
    }
    Operator& op(int code, std::vector<int32_t> in, std::vector<int32_t> out) {
        Operator o;
        o.code = code;
        o.in = std::move(in);
        o.out = std::move(out);
        ops.push_back(std::move(o));
        return ops.back();
    }
    Operator& op(int code, std::vector<int32_t> in, std::vector<int32_t> out, Table options) {
        Operator& o = op(code, std::move(in), std::move(out));
        o.options = std::move(options);
        o.hasOptions = true;
        return o;
    }

    std::vector<uint8_t> bytes() const {
        std::vector<Table> buffers{Table{}};  // buffer 0: no data
        std::vector<Table> tensorTables;
        std::vector<uint32_t> bufferOf(tensors.size(), 0);
        for (size_t i = 0; i < tensors.size(); ++i) {
            const Tensor& t = tensors[i];
            Table tt;
            tt.ints(0, t.shape).i8(1, t.type).string(3, "t" + std::to_string(i));
            if (t.sharesBufferOf >= 0) {
                bufferOf[i] = bufferOf[size_t(t.sharesBufferOf)];
            } else if (!t.data.empty()) {
                bufferOf[i] = uint32_t(buffers.size());
                buffers.push_back(Table{}.bytes(0, t.data, uint32_t(t.data.size())));
            }
            if (bufferOf[i] != 0) tt.u32(2, bufferOf[i]);
            tensorTables.push_back(std::move(tt));
        }
        std::map<std::pair<int, std::string>, uint32_t> codeIndex;
        std::vector<Table> codes, opTables;
        for (const Operator& o : ops) {
            const auto key = std::make_pair(o.code, o.custom);
            if (!codeIndex.count(key)) {
                codeIndex[key] = uint32_t(codes.size());
                Table c;
                c.i8(0, int8_t(o.code < 127 ? o.code : 127)).i32(3, o.code);
                if (!o.custom.empty()) c.string(1, o.custom);
                codes.push_back(std::move(c));
            }
            Table ot;
            ot.u32(0, codeIndex[key]).ints(1, o.in).ints(2, o.out);
            if (o.hasOptions) ot.child(4, o.options);
            if (!o.customOptions.empty()) ot.bytes(5, o.customOptions, uint32_t(o.customOptions.size()));
            opTables.push_back(std::move(ot));
        }
        Table subgraph;
        subgraph.tables(0, tensorTables).ints(1, inputs).ints(2, outputs).tables(3, opTables);
        Table root;
        root.u32(0, 3).tables(1, codes).tables(2, {subgraph}).tables(4, buffers);
        return Writer().finish(root);
    }
};

// Options of the window operators: padding (0 same, 1 valid), strides, and
// for a convolution dilations.
inline Table ConvOptions(int8_t padding, int32_t strideW, int32_t strideH, int32_t dilationW = 1,
                         int32_t dilationH = 1) {
    return Table{}
        .i8(0, padding)
        .i32(1, strideW)
        .i32(2, strideH)
        .i8(3, 0)
        .i32(4, dilationW)
        .i32(5, dilationH);
}
inline Table DepthwiseOptions(int8_t padding, int32_t strideW, int32_t strideH, int32_t multiplier) {
    return Table{}
        .i8(0, padding)
        .i32(1, strideW)
        .i32(2, strideH)
        .i32(3, multiplier)
        .i8(4, 0)
        .i32(5, 1)
        .i32(6, 1);
}
inline Table PoolOptions(int8_t padding, int32_t strideW, int32_t strideH, int32_t filterW, int32_t filterH) {
    return Table{}.i8(0, padding).i32(1, strideW).i32(2, strideH).i32(3, filterW).i32(4, filterH).i8(5, 0);
}

}  // namespace modelwriter
