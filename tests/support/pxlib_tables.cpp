#include "support/pxlib_tables.h"

extern "C" {  // the library's header declares no C linkage of its own
#include <paradox.h>
}

#include <algorithm>
#include <stdexcept>

#include "engine/paradox_format.h"

namespace lumiro::test {
namespace {

using engine::FieldDef;
using engine::FieldType;
using engine::Value;

struct Boot {
    Boot() { PX_boot(); }
};

struct PxDoc {
    pxdoc_t* doc = nullptr;
    PxDoc() {
        static Boot boot;
        doc = PX_new();
    }
    ~PxDoc() {
        PX_close(doc);
        PX_delete(doc);
    }
    PxDoc(const PxDoc&) = delete;
    PxDoc& operator=(const PxDoc&) = delete;
};

// A field array allocated the way pxlib frees it.
pxfield_t* pxFields(pxdoc_t* doc, const std::vector<FieldDef>& fields) {
    auto* pf = static_cast<pxfield_t*>(
        doc->malloc(doc, fields.size() * sizeof(pxfield_t), const_cast<char*>("test fields")));
    for (std::size_t i = 0; i < fields.size(); ++i) {
        pf[i].px_fname = PX_strdup(doc, fields[i].name.c_str());
        pf[i].px_ftype = char(fields[i].type);
        pf[i].px_flen = engine::storedSize(fields[i]);
        pf[i].px_fdc = fields[i].type == FieldType::Bcd ? fields[i].size : 0;
    }
    return pf;
}

void put(pxdoc_t* doc, const FieldDef& f, const Value& v, char* p) {
    const int len = engine::storedSize(f);
    switch (f.type) {
        case FieldType::Alpha: {
            std::string s = std::get<std::string>(v);
            PX_put_data_alpha(doc, p, len, s.data());
            return;
        }
        case FieldType::Bytes: {
            std::string s = std::get<std::string>(v);
            PX_put_data_bytes(doc, p, len, s.data());
            return;
        }
        case FieldType::Short:
            PX_put_data_short(doc, p, 2, short(std::get<std::int64_t>(v)));
            return;
        case FieldType::Long:
        case FieldType::AutoInc:
        case FieldType::Date:
        case FieldType::Time:
            PX_put_data_long(doc, p, 4, int(std::get<std::int64_t>(v)));
            return;
        case FieldType::Money:
        case FieldType::Number:
        case FieldType::Timestamp:
            PX_put_data_double(doc, p, 8, std::get<double>(v));
            return;
        case FieldType::Logical:
            PX_put_data_byte(doc, p, 1, std::get<bool>(v) ? 1 : 0);
            return;
        case FieldType::Bcd: {
            // pxlib finds the integer digits only before a decimal point.
            std::string s = std::get<std::string>(v);
            if (s.find('.') == std::string::npos) s += '.';
            PX_put_data_bcd(doc, p, f.size, s.data());
            return;
        }
        default:
            throw std::runtime_error("pxlib does not write column " + f.name + " here");
    }
}

}  // namespace

void writePxlibTable(const std::string& path, const std::vector<FieldDef>& fields,
                     int keyFieldCount, const std::vector<Row>& rows,
                     const std::string& tableName) {
    PxDoc px;
    if (PX_create_file(px.doc, pxFields(px.doc, fields), int(fields.size()), path.c_str(),
                       keyFieldCount ? pxfFileTypIndexDB : pxfFileTypNonIndexDB) != 0)
        throw std::runtime_error("pxlib cannot create " + path);
    if (keyFieldCount) PX_set_value(px.doc, "numprimkeys", float(keyFieldCount));
    PX_set_value(px.doc, "codepage", 1250);
    PX_set_tablename(px.doc, tableName.c_str());
    std::vector<char> rec(std::size_t(PX_get_recordsize(px.doc)));
    for (const auto& row : rows) {
        std::fill(rec.begin(), rec.end(), 0);
        char* p = rec.data();
        for (std::size_t f = 0; f < fields.size(); ++f) {
            if (!engine::isNull(row.at(f))) put(px.doc, fields[f], row[f], p);
            p += engine::storedSize(fields[f]);
        }
        if (PX_put_record(px.doc, rec.data()) < 0)
            throw std::runtime_error("pxlib cannot write a record of " + path);
    }
}

void writePxlibPrimaryIndex(const std::string& dbPath, const std::string& pxPath) {
    PxDoc db;
    if (PX_open_file(db.doc, dbPath.c_str()) != 0)
        throw std::runtime_error("pxlib cannot open " + dbPath);
    float keys = 0;
    PX_get_value(db.doc, "numprimkeys", &keys);
    std::vector<FieldDef> keyFields;
    pxfield_t* pf = PX_get_fields(db.doc);
    for (int i = 0; i < int(keys); ++i) {
        const auto type = engine::typeFromCode(std::uint8_t(pf[i].px_ftype));
        if (!type) throw std::runtime_error("unknown key column type");
        FieldDef f{pf[i].px_fname, *type, *type == FieldType::Alpha ? pf[i].px_flen : 0, false};
        keyFields.push_back(f);
    }
    PxDoc index;
    if (PX_create_file(index.doc, pxFields(index.doc, keyFields), int(keyFields.size()),
                       pxPath.c_str(), pxfFileTypPrimIndex) != 0 ||
        PX_write_primary_index(db.doc, index.doc) != 0)
        throw std::runtime_error("pxlib cannot write " + pxPath);
}

std::vector<PxlibField> readPxlibFields(const std::string& path) {
    PxDoc px;
    if (PX_open_file(px.doc, path.c_str()) != 0)
        throw std::runtime_error("pxlib cannot open " + path);
    std::vector<PxlibField> out;
    const int n = PX_get_num_fields(px.doc);
    pxfield_t* pf = PX_get_fields(px.doc);
    for (int i = 0; i < n; ++i)
        out.push_back(
            {pf[i].px_fname, int(static_cast<unsigned char>(pf[i].px_ftype)), pf[i].px_flen});
    return out;
}

std::vector<Row> readPxlibRecords(const std::string& path, const std::vector<FieldDef>& fields) {
    PxDoc px;
    if (PX_open_file(px.doc, path.c_str()) != 0)
        throw std::runtime_error("pxlib cannot open " + path);
    if (PX_get_num_fields(px.doc) != int(fields.size()))
        throw std::runtime_error("pxlib sees other columns in " + path);
    std::vector<Row> rows;
    std::vector<char> rec(std::size_t(PX_get_recordsize(px.doc)));
    for (int r = 0; r < PX_get_num_records(px.doc); ++r) {
        if (!PX_get_record(px.doc, r, rec.data()))
            throw std::runtime_error("pxlib cannot read record " + std::to_string(r));
        Row row;
        std::size_t off = 0;
        for (const auto& f : fields) {
            row.push_back(engine::px::decodeField(
                f, reinterpret_cast<const std::byte*>(rec.data()) + off, nullptr));
            off += std::size_t(engine::storedSize(f));
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace lumiro::test
