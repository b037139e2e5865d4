// A host of the documents library, built against an installed stochvar: prints the names of
// the variables of a collection document, one per line.
#include <stochvar/documents/DocumentFile.h>

#include <iostream>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: documents_host DOCUMENT\n";
        return 2;
    }
    const auto pDoc = stochvar::LoadDocument(argv[1]);
    for (int i = 0; i < pDoc->GetVariableCount(); ++i) {
        std::cout << pDoc->GetVariable(i)->GetVarName().str() << '\n';
    }
    return 0;
}
