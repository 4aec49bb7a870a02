// An update server inside the test program: it answers the list and file requests of the HTTP
// update over loopback HTTP, from a table of files, so that whole updates run their production
// path (socket, HTTP reader, the body written once into its place) on any platform. Sources are
// Base() + "/path". Answers can be bent per file (a wrong checksum, an error text). The status
// query goes through the server seam.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "protocol/checksum.h"
#include "protocol/file_list.h"
#include "protocol/transfer_header.h"
#include "runtime/file_info.h"
#include "tests/support/temp_folder.h"
#include "tests/support/text.h"
#include "tests/updater/loopback_answers.h"
#include "updater/server_protocol.h"

namespace rt_test {

struct StubFile {
    std::string bytes;
    int32_t date = 20240131;
    int32_t time = 12 * 3600000 + 34 * 60000 + 56000;
    bool badChecksum = false;
};

class StubUpdateServer {
public:
    StubUpdateServer() : http_([this](const std::string& address) {
        requests.push_back(address);
        return Answer(address);
    }) {
        current() = this;
        rt::SetServerSeams({.fetchExpectOk = ExpectOk, .credentials = Credentials});
    }
    ~StubUpdateServer() {
        rt::SetServerSeams({});
        current() = nullptr;
    }
    StubUpdateServer(const StubUpdateServer&) = delete;
    StubUpdateServer& operator=(const StubUpdateServer&) = delete;

    std::map<std::string, StubFile> files;  // by name with '\' between folders
    std::string listAnswer;                 // when not empty: the list request's whole answer
    rt::ErrCode statusAnswer = 124;         // the status query: 0 "OK", 124 "Fail", or an error
    std::vector<std::string> requests;      // every address asked for, in order
    int credentialsAsked = 0;               // times the run wanted the user and password

    // "http://127.0.0.1:PORT": sources of this server are Base() + "/path".
    const std::string& Base() const { return http_.Base(); }

    static StubUpdateServer*& current() {
        static StubUpdateServer* c = nullptr;
        return c;
    }
    // The value of a query parameter of an address, %XX decoded.
    static std::string Param(const std::string& address, const std::string& name) {
        const std::string key = "&" + name + "=";
        size_t at = address.find(key);
        if (at == std::string::npos) return "<none>";
        at += key.size();
        size_t end = address.find('&', at);
        std::string raw = address.substr(at, end == std::string::npos ? std::string::npos : end - at);
        std::string out;
        for (size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] == '%' && i + 2 < raw.size()) {
                out += static_cast<char>(std::stoi(raw.substr(i + 1, 2), nullptr, 16));
                i += 2;
            } else {
                out += raw[i];
            }
        }
        return out;
    }

private:
    static std::string Header(uint32_t size, int32_t date, int32_t time, uint32_t checksum) {
        rt::TransferHeader h;
        h.size = size;
        h.date = date;
        h.time = time;
        h.checksum = checksum;
        char out[rt::kTransferHeaderSize];
        EXPECT_EQ(rt::FormatTransferHeader(h, out), 0);
        return std::string(out, sizeof out);
    }
    std::string List() const {
        if (!listAnswer.empty()) return listAnswer;
        std::string names;
        std::vector<rt::FileInfo> records;
        for (const auto& [name, f] : files) {
            if (!records.empty()) names += '\0';
            names += name;
            rt::FileInfo info;
            info.attributes = 32;
            info.size = static_cast<uint32_t>(f.bytes.size());
            info.writeDate = f.date;
            info.writeTime = f.time;
            records.push_back(info);
        }
        std::string body(rt::FileListBodySize(static_cast<uint32_t>(names.size()), static_cast<uint32_t>(records.size())), '\0');
        uint32_t written = 0;
        EXPECT_EQ(rt::FormatFileList(V(names), records.data(), static_cast<uint16_t>(records.size()), body.data(),
                                     static_cast<uint32_t>(body.size()), &written),
                  0);
        body.resize(written);
        return Header(static_cast<uint32_t>(body.size()), 0, 0, 0) + body;
    }
    std::string Answer(const std::string& address) const {
        const std::string wanted = Param(address, "downfile");
        if (wanted == "<none>") return List();
        std::string name = wanted;
        for (char& c : name)
            if (c == '/') c = '\\';
        auto it = files.find(name);
        if (it == files.end()) return "Error #164.File Not Found";
        const StubFile& f = it->second;
        uint32_t sum = rt::ChecksumOfBytes(f.bytes.data(), static_cast<uint32_t>(f.bytes.size()));
        if (f.badChecksum) sum ^= 1;
        return Header(static_cast<uint32_t>(f.bytes.size()), f.date, f.time, sum) + f.bytes;
    }
    static rt::ErrCode ExpectOk(rt::StrRef address, uint16_t) {
        current()->requests.push_back(Str(address));
        return current()->statusAnswer;
    }
    static rt::StrRef Credentials(rt::StrRef) {
        ++current()->credentialsAsked;
        static const std::string creds = std::string("ana") + '\0' + "PW";
        return V(creds);
    }

    LoopbackAnswers http_;
};

}  // namespace rt_test
