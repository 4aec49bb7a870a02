// Error names, user texts, the detail text and the "Error #" form exchanged with servers.
#include <gtest/gtest.h>

#include <string>

#include "runtime/catalogue.h"
#include "runtime/error_record.h"
#include "runtime/errors.h"
#include "runtime/string_store.h"
#include "runtime/temp_pool.h"
#include "tests/support/pool_check.h"
#include "tests/support/text.h"

using namespace rt;
using rt_test::Str;
using rt_test::T;
using rt_test::V;

namespace {

void SetDetail(const std::string& s) { ASSERT_EQ(StoreSet(kGroupSystem, kItemErrorDetail, V(s)), 0); }

struct NameRow {
    ErrCode code;
    const char* english;  // nullptr: no name
    const char* spanish;  // nullptr: none in message 0
};

// The error-name table: English name and the name in message 0 for every code.
const NameRow kNames[] = {
    {122, "User Canceled", "Cancelado por el usuario"},
    {123, "Null Expression", "Expresion Nula"},
    {124, "Undef.Warning", "Aviso Indefinido"},
    {125, "Type Warning", "Tipo Atipico"},
    {126, "Bad user data", "Datos incorrectos"},
    {127, "Out of Data", "No hay datos"},
    {128, "Type Mismatch", "Tipos Incompatibles"},
    {129, "Loop Failure", "Fallo de loop"},
    {130, "Disk I/O", "Disco (I/O)"},
    {131, "File I/O", "Fichero I/O"},
    {132, "Procedure Execution", "Ejecuci\xf3n de Procedimiento"},
    {133, "PRCSTCKERROR", "PRCSTCKERROR"},
    {134, "TRANSUPERROR", "TRANSUPERROR"},
    {135, "VARHANDLERROR", "VARHANDLERROR"},
    {136, "DISKREADERROR", "de Lectura"},
    {137, "DISKWRITERROR", "de Escritura"},
    {138, "DISKOPENERROR", "de Apertura"},
    {139, "NETACCESERROR", "de Red"},
    {140, "BADEXPRESION", "BADEXPRESION"},
    {141, "INTERNALERROR", "Interno"},
    {142, "FARHEAPINIERR", "FARHEAPINIERR"},
    {143, "Screen Environ", "de Entorno de Pantalla"},
    {144, "INDEXCMDERROR", "INDEXCMDERROR"},
    {145, "OUTOFMEMORY", "OUTOFMEMORY"},
    {146, "STRINGTOOLONG", "STRINGTOOLONG"},
    {147, "SINTAXERROR", "SINTAXERROR"},
    {148, "FEATUREREMOVED", "FEATUREREMOVED"},
    {149, "DIMSTRUCERROR", "DIMSTRUCERROR"},
    {150, "BADSTRINGTYPE", "BADSTRINGTYPE"},
    {151, "BADFILENUMBER", "BADFILENUMBER"},
    {152, "FORMATFAILURE", "FORMATFAILURE"},
    {153, "STRCONCATERR", "STRCONCATERR"},
    {154, "MEMORYALLOCERR", "MEMORYALLOCERR"},
    {155, "EXPCALCERROR", "EXPCALCERROR"},
    {156, "LOADSTRERROR", "LOADSTRERROR"},
    {157, "VARNAMEERROR", "VARNAMEERROR"},
    {158, "BADCOMMANDLINE", "BADCOMMANDLINE"},
    {159, "STROUTBOUND", "STROUTBOUND"},
    {160, "MEMTESTERROR", "MEMTESTERROR"},
    {161, "FILEOUTBOUND", "FILEOUTBOUND"},
    {162, "SQLERROR", "SQLERROR"},
    {163, "Bad input data", "Datos Incorrectos"},
    {164, "File Not Found", "Fichero no encontrado"},
    {165, "File Exist", "Fichero Existente"},
    {166, "File Opening", "Apertura de Ficheros"},
    {167, "CHILDEXECERROR", "CHILDEXECERROR"},
    {168, "DATAOUTBOUND", "DATAOUTBOUND"},
    {169, "FILENOTINIT", "FILENOTINIT"},
    {170, "COMMONCTLERROR", "COMMONCTLERROR"},
    {171, "DEVICETIMEOUT", "DEVICETIMEOUT"},
    {172, "DEVICEIOERROR", "DEVICEIOERROR"},
    {173, "SYSTEMCMDERROR", "SYSTEMCMDERROR"},
    {174, "User Check Fail", "Chequeo de usuario"},
    {175, "Permission Denied", "Permiso denegado"},
    {176, "StructMemError", "StructMemError"},
    {177, "ScreenStructErr", "ScreenStructErr"},
    {178, "Memory Leaks", "Memory Leaks"},
    {179, "Windows Control Error", "Windows Control Error"},
    {180, "Memory Overflow", "Memory Overflow"},
    {181, "Variable ScreenField", "Variable ScreenField"},
    {182, "Script Flow Failure", "Flujo de programa incorrecto"},
    {183, nullptr, nullptr},
    {184, "Data Already exist", "Datos Existentes"},
    {185, "Only Local Access", "Solamente Acceso Local"},
    {186, "Graphic Support Low", "Soporte Grafico Insuficiente"},
    {187, "Device or File Busy", "Dispositivo en Uso"},
    {188, "Device not found", "Dispositivo no encontrado"},
    {189, "Lang Files Missing", nullptr},
};

class ErrorsTest : public rt_test::BalancedPoolTest {
protected:
    void SetUp() override {
        BalancedPoolTest::SetUp();
        SetDetail("");
    }
    void TearDown() override {
        RecordError(0, 0);
        SetDetail("");
        BalancedPoolTest::TearDown();
    }
    // Runs a text producer and checks it left at most its one result above the mark.
    template <typename F>
    std::string Produce(F f) {
        uint16_t m = PoolMark();
        std::string out = Str(f());
        EXPECT_LE(PoolMark(), m + 1);
        PoolRelease(m);
        return out;
    }
};

}  // namespace

TEST_F(ErrorsTest, NamesFollowTheTableInBothLanguages) {
    for (const NameRow& row : kNames) {
        std::string english = row.english ? row.english : "Undefined";
        EXPECT_EQ(Produce([&] { return ErrorNameEnglish(row.code); }), english) << row.code;
        std::string shown = row.spanish ? row.spanish : english;
        EXPECT_EQ(Produce([&] { return ErrorName(row.code); }), shown) << row.code;
        if (row.spanish) {
            EXPECT_EQ(Produce([&] { return MessageField(0, static_cast<uint16_t>(row.code - 121)); }), row.spanish);
        }
    }
}

TEST_F(ErrorsTest, NamesOutsideTheTable) {
    struct Case {
        ErrCode code;
        const char* name;
    } cases[] = {
        {145, "OUTOFMEMORY"},
        {189, "Lang Files Missing"},
        {190, "Undefined"},
        {183, "Undefined"},
        {0, "Undefined"},
        {1, "Undefined"},
        {120, "Undefined"},
        // Field 0 of message 0 counts as field 1, so 121 borrows the name of 122.
        {121, "Cancelado por el usuario"},
        {1000, "Undefined"},
        {0xFFFF, "Undefined"},
    };
    for (const Case& c : cases) EXPECT_EQ(Produce([&] { return ErrorName(c.code); }), c.name) << c.code;
    EXPECT_EQ(Str(ErrorNameEnglish(121)), "Undefined");
}

TEST_F(ErrorsTest, ModuleNames) {
    static const char* const kModules[] = {
        "STRINGINIT", "STRINGASSIGN", "STRCONCAT", "VARNMASSIGN", "DataFileCtrl", "IndexDelete",
        "SQLCONNECT", "SQLEXEC", "EXEC_COMPILER", "Malloc-MemAcums", "ExecRunTime", "VarStruct",
        "ExpExec", "Sort", "BufferFld", "DynStrings", "StructFuncs", "FormatStrings", "Streams",
        "DataFile", "LocalLists", "Screens", "Lins", "TreeIO", "Devices", "AuxParamMantAcceptAux",
        "HtmlScan", "LoadSqlStruct", "NetSocketSend", "NetSocketRecv", "NetSocketStreamRead"};
    for (uint32_t n = 1; n <= 31; ++n) EXPECT_EQ(Str(ModuleName(n)), kModules[n - 1]) << n;
    EXPECT_EQ(Str(ModuleName(kModDynStrings)), "DynStrings");
    for (uint32_t n : {0u, 32u, 1502u, 0xFFFFFFFFu}) EXPECT_EQ(Str(ModuleName(n)), "") << n;
}

TEST_F(ErrorsTest, ErrorTextByCodeRange) {
    struct Case {
        ErrCode code;
        const char* text;
    } cases[] = {
        {0, "Proceso Completado Satisfactoriamente"},
        {120, "Proceso Completado Satisfactoriamente"},
        {1, "Precauci\xf3n :Clave no encontrada"},
        {2, "Precauci\xf3n :Fin de fichero"},
        {3, "Precauci\xf3n "},  // an empty name adds no colon
        {9, "Precauci\xf3n :Contrase\xf1" "as no coinciden"},
        {10, "Precauci\xf3n "},
        {119, "Precauci\xf3n "},
        {121, "Cancelado por el usuario"},
        {122, "Cancelado por el usuario"},
        {126, "Datos incorrectos"},
        {145, "OUTOFMEMORY"},
        {164, "Fichero no encontrado"},
        {189, "Lang Files Missing"},
        {190, "Undefined"},
        {0xFFFF, "Undefined"},  // nothing recorded
    };
    for (const Case& c : cases) EXPECT_EQ(Produce([&] { return ErrorText(c.code); }), c.text) << c.code;
}

TEST_F(ErrorsTest, ErrorTextUsesDetailForBadDataAndTheRecordForNoCode) {
    SetDetail("fecha mal escrita");
    EXPECT_EQ(Produce([] { return ErrorText(126); }), "fecha mal escrita");
    EXPECT_EQ(Produce([] { return ErrorText(121); }), "fecha mal escrita");
    EXPECT_EQ(Produce([] { return ErrorText(164); }), "Fichero no encontrado");

    // The text is a copy: a later change of the detail does not alter it.
    StrRef kept = ErrorText(126);
    SetDetail("otra cosa distinta y bastante larga");
    EXPECT_EQ(Str(kept), "fecha mal escrita");
    PoolRelease(mark_);

    RecordError(164, kModStreams);
    EXPECT_EQ(Produce([] { return ErrorText(0xFFFF); }), "Fichero no encontrado");
}

TEST_F(ErrorsTest, RecordKeepsTheFirstSeriousError) {
    RecordError(124, 5);
    EXPECT_EQ(LastError().code, 0);
    EXPECT_EQ(LastError().module, 0u);
    RecordError(145, 16);
    RecordError(164, 3);
    EXPECT_EQ(LastError().code, 145);
    EXPECT_EQ(LastError().module, 16u);
    RecordError(0, 0);
    EXPECT_EQ(LastError().code, 0);
    EXPECT_EQ(LastError().module, 0u);
    EXPECT_EQ(Fail(true, kModStreams, 164, 0), 164);
    EXPECT_EQ(Fail(false, kModStreams, 166, 7), 7);
    EXPECT_EQ(LastError().code, 164);
    EXPECT_EQ(LastError().module, uint32_t{kModStreams});
}

TEST_F(ErrorsTest, ErrorMessageComposition) {
    EXPECT_EQ(Produce([] { return ErrorMessage(164); }), "Error Fichero no encontrado");
    SetDetail("c:\\datos\\a.txt");
    EXPECT_EQ(Produce([] { return ErrorMessage(164); }), "Error Fichero no encontrado: c:\\datos\\a.txt");

    RecordError(145, kModDynStrings);
    SetDetail("detail");
    EXPECT_EQ(Produce([] { return ErrorMessage(145); }), "Error OUTOFMEMORY(DynStrings): detail");
    EXPECT_EQ(Produce([] { return ErrorMessage(0xFFFF); }), "Error OUTOFMEMORY(DynStrings): detail");
    SetDetail("");
    EXPECT_EQ(Produce([] { return ErrorMessage(145); }), "Error OUTOFMEMORY(DynStrings)");

    // A module without a name is shown by its number.
    RecordError(0, 0);
    RecordError(139, 1502);
    EXPECT_EQ(Produce([] { return ErrorMessage(139); }), "Error de Red(1502)");
}

TEST_F(ErrorsTest, LowCodesAndCancelAreTheWholeMessage) {
    RecordError(145, kModDynStrings);
    SetDetail("detail");
    struct Case {
        ErrCode code;
        const char* text;
    } cases[] = {
        {0, "Proceso Completado Satisfactoriamente"},
        {2, "Precauci\xf3n :Fin de fichero"},
        {120, "Proceso Completado Satisfactoriamente"},
        {122, "Cancelado por el usuario"},
        {126, "detail"},
        // Above 122 the prefix, module and detail apply, warnings included.
        {124, "Error Aviso Indefinido(DynStrings): detail"},
    };
    for (const Case& c : cases) EXPECT_EQ(Produce([&] { return ErrorMessage(c.code); }), c.text) << c.code;
}

TEST_F(ErrorsTest, ReportErrorReplacesOrAppends) {
    RecordError(145, 16);
    EXPECT_EQ(ReportError(164, T("first")), 164);
    EXPECT_EQ(LastError().code, 145);  // reporting never records
    EXPECT_EQ(Str(ErrorDetail()), "first");
    EXPECT_EQ(ReportError(164, T("second"), true), 164);
    EXPECT_EQ(Str(ErrorDetail()), "first\r\nsecond");
    ReportError(0, T("third"), false);
    EXPECT_EQ(Str(ErrorDetail()), "third");
    SetDetail("");
    ReportError(0, T("only"), true);
    EXPECT_EQ(Str(ErrorDetail()), "only");
}

TEST_F(ErrorsTest, ReportErrorAppendStopsShortOf1024) {
    const std::string base(1000, 'a');
    // 1000 + 21 + 2 = 1023 still fits.
    SetDetail(base);
    ReportError(1, V(std::string(21, 'b')), true);
    EXPECT_EQ(Str(ErrorDetail()), base + "\r\n" + std::string(21, 'b'));
    // 1000 + 22 + 2 = 1024 does not: the addition replaces the detail.
    SetDetail(base);
    ReportError(1, V(std::string(22, 'c')), true);
    EXPECT_EQ(Str(ErrorDetail()), std::string(22, 'c'));
    // Without append any length replaces it.
    ReportError(1, V(std::string(5000, 'd')), false);
    EXPECT_EQ(ErrorDetail().len, 5000);
}

TEST_F(ErrorsTest, NulTerminatedDetailIsLocked) {
    SetDetail(std::string("locked\0", 7));
    ReportError(164, T("new"), false);
    EXPECT_EQ(Str(ErrorDetail()), std::string("locked\0", 7));
    ReportError(164, T("more"), true);
    EXPECT_EQ(Str(ErrorDetail()), std::string("locked\0", 7));
    // A NUL elsewhere does not lock it.
    SetDetail(std::string("a\0b", 3));
    ReportError(164, T("new"), false);
    EXPECT_EQ(Str(ErrorDetail()), "new");
}

TEST_F(ErrorsTest, ReportErrorOfAnErrorValueNamesItsCode) {
    SetDetail("stale");
    EXPECT_EQ(ReportError(145, StrErr(163), false), 145);
    EXPECT_EQ(Str(ErrorDetail()), "Error #163");
    EXPECT_EQ(ReportError(145, StrRef{nullptr, 0}, true), 145);
    EXPECT_EQ(Str(ErrorDetail()), "Error #163\r\nError #65535");
}

TEST_F(ErrorsTest, ErrorStringAndCodeText) {
    EXPECT_EQ(Produce([] { return ErrorString(145, StrEmpty()); }), "Error #145");
    EXPECT_EQ(Produce([] { return ErrorString(145, T("text")); }), "Error #145.text");
    EXPECT_EQ(Produce([] { return ErrorCodeText(0); }), "Error #0");
    EXPECT_EQ(Produce([] { return ErrorCodeText(164); }), "Error #164");
    EXPECT_EQ(Produce([] { return ErrorCodeText(0xFFFF); }), "Error #65535");

    // Code 0 and a valid detail: the detail itself comes back, nothing is made.
    StrRef plain = T("plain");
    uint16_t m = PoolMark();
    StrRef same = ErrorString(0, plain);
    EXPECT_EQ(same.ptr, plain.ptr);
    EXPECT_EQ(same.len, plain.len);
    EXPECT_EQ(PoolMark(), m);

    // An invalid detail gives its code (when none is given) and is replaced by the stored detail.
    SetDetail("gone");
    EXPECT_EQ(Produce([] { return ErrorString(0, StrErr(164)); }), "Error #164.gone");
    EXPECT_EQ(Produce([] { return ErrorString(166, StrErr(164)); }), "Error #166.gone");
    EXPECT_EQ(Produce([] { return ErrorString(0, StrRef{nullptr, 0}); }), "Error #65535.gone");
    SetDetail("");
    EXPECT_EQ(Produce([] { return ErrorString(0, StrErr(164)); }), "Error #164");
}

TEST_F(ErrorsTest, ParseServerErrorIsTheInverseOfErrorString) {
    struct Case {
        const char* reply;
        ErrCode code;
        const char* detail;  // nullptr: the detail stays "before"
    } cases[] = {
        {"Fail", 124, nullptr},
        {"Error #164.not there", 164, "Server response: not there"},
        {"Error #175.denied.for user", 175, "Server response: denied.for user"},
        {"Error #164.Can't open setup.exe", 164, "Server response: Can't open setup.exe"},
        {"Error #139", 139, "Server response: "},
        {"Error #5.one digit", 5, "Server response: one digit"},
        {"Error #0.zero", 0xFFFF, "Server response: zero"},
        {"Error #abc.x", 0xFFFF, "Server response: x"},
        {"Error #", 0xFFFF, "Server response: "},
        {"OK", 0, nullptr},
        {"fail", 0, nullptr},
        {"Failed", 0, nullptr},
        {"error #164.x", 0, nullptr},
        {"Error 164.x", 0, nullptr},
        {"", 0, nullptr},
    };
    for (const Case& c : cases) {
        SetDetail("before");
        EXPECT_EQ(ParseServerError(T(c.reply)), c.code) << c.reply;
        EXPECT_EQ(Str(ErrorDetail()), c.detail ? c.detail : "before") << c.reply;
        EXPECT_EQ(LastError().code, 0) << "a server answer is reported, not recorded";
        EXPECT_EQ(PoolMark(), mark_);
    }
    // Round trip through the textual form.
    SetDetail("");
    StrRef sent = ErrorString(164, T("not there"));
    EXPECT_EQ(ParseServerError(sent), 164);
    PoolRelease(mark_);
    EXPECT_EQ(Str(ErrorDetail()), "Server response: not there");
}

TEST_F(ErrorsTest, ErrorValuesNeverCrash) {
    EXPECT_EQ(ParseServerError(StrErr(139)), 139);
    EXPECT_EQ(ParseServerError(StrRef{nullptr, 0}), 0xFFFF);
    for (ErrCode code : {ErrCode{0}, ErrCode{1}, ErrCode{119}, ErrCode{121}, ErrCode{126}, ErrCode{183},
                         ErrCode{999}, ErrCode{0xFFFE}, ErrCode{0xFFFF}}) {
        EXPECT_FALSE(Produce([&] { return ErrorMessage(code); }).empty()) << code;
        EXPECT_FALSE(Produce([&] { return ErrorText(code); }).empty()) << code;
        EXPECT_FALSE(Produce([&] { return ErrorString(code, StrErr(5)); }).empty()) << code;
    }
    // A full pool: names still come back from the built-in catalogue without memory.
    uint16_t m = PoolMark();
    while (PoolAlloc(1024) == 0) {
    }
    EXPECT_EQ(Str(ErrorName(145)), "OUTOFMEMORY");
    EXPECT_EQ(Str(ErrorNameEnglish(146)), "STRINGTOOLONG");
    EXPECT_EQ(Str(Message(9)), "Error ");
    EXPECT_EQ(StrError(ErrorMessage(145)), 145);
    EXPECT_EQ(StrError(MessageKey(7)), 145);
    PoolRelease(m);
}
