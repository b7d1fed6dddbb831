#include "pxlib_writer.h"

#include <gtest/gtest.h>

extern "C" {  // the library's header declares no C linkage of its own
#include <paradox.h>
}

#include <algorithm>
#include <stdexcept>

namespace lumiro::data::test {
namespace {

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
};

}  // namespace

void writeWithPxlib(const std::string& path, const std::vector<engine::FieldDef>& fields,
                    const std::vector<lumiro::test::Row>& rows) {
    PxDoc px;
    auto* pf = static_cast<pxfield_t*>(
        px.doc->malloc(px.doc, fields.size() * sizeof(pxfield_t), "test fields"));
    for (std::size_t i = 0; i < fields.size(); ++i) {
        pf[i].px_fname = PX_strdup(px.doc, fields[i].name.c_str());
        pf[i].px_ftype = char(fields[i].type);
        pf[i].px_flen = engine::storedSize(fields[i]);
        pf[i].px_fdc = 0;
    }
    if (PX_create_file(px.doc, pf, int(fields.size()), path.c_str(), pxfFileTypNonIndexDB) != 0)
        throw std::runtime_error("pxlib cannot create " + path);
    PX_set_value(px.doc, "codepage", 1250);
    PX_set_tablename(px.doc, "OLD");
    std::vector<char> rec(std::size_t(PX_get_recordsize(px.doc)));
    for (const auto& row : rows) {
        std::fill(rec.begin(), rec.end(), 0);
        char* p = rec.data();
        for (std::size_t f = 0; f < fields.size(); ++f) {
            const int len = engine::storedSize(fields[f]);
            const engine::Value& v = row[f];
            if (!engine::isNull(v)) {
                switch (fields[f].type) {
                    case engine::FieldType::Alpha: {
                        std::string s = std::get<std::string>(v);
                        PX_put_data_alpha(px.doc, p, len, s.data());
                        break;
                    }
                    case engine::FieldType::Long:
                        PX_put_data_long(px.doc, p, 4, int(std::get<std::int64_t>(v)));
                        break;
                    case engine::FieldType::Number:
                        PX_put_data_double(px.doc, p, 8, std::get<double>(v));
                        break;
                    case engine::FieldType::Logical:
                        PX_put_data_byte(px.doc, p, 1, std::get<bool>(v) ? 1 : 0);
                        break;
                    default:
                        throw std::runtime_error("type not written by this helper");
                }
            }
            p += len;
        }
        if (PX_put_record(px.doc, rec.data()) < 0) throw std::runtime_error("pxlib put");
    }
}

std::vector<PxlibField> readFieldsWithPxlib(const std::string& path) {
    PxDoc px;
    if (PX_open_file(px.doc, path.c_str()) != 0) throw std::runtime_error("pxlib cannot open");
    std::vector<PxlibField> out;
    const int n = PX_get_num_fields(px.doc);
    pxfield_t* pf = PX_get_fields(px.doc);
    for (int i = 0; i < n; ++i) {
        out.push_back(
            {pf[i].px_fname, int(static_cast<unsigned char>(pf[i].px_ftype)), pf[i].px_flen});
    }
    return out;
}

}  // namespace lumiro::data::test
