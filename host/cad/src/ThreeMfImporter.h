#pragma once
// Assimp's importer for 3MF packages in place of its own: the model is read
// as it streams out of the zip (ThreeMfModel.h), never held whole as text or
// as a document tree, and everything after the import (Assimp's
// post-processing, our vertex join and translation) runs as before.
//
// Packages with textures (<m:texture2d>, <m:texture2dgroup>) are read by
// Assimp's own importer instead, which this one keeps for them.

#include "ThreeMfModel.h"

#include <assimp/BaseImporter.h>
#include <assimp/Importer.hpp>

#include <memory>
#include <string>

namespace standin::host::cad {

class ThreeMfImporter : public Assimp::BaseImporter {
public:
    /// Takes Assimp's own 3MF importer off `importer`'s list and registers
    /// a ThreeMfImporter in its place, which `importer` then owns. Returns
    /// it, to ask for the unit after a read. With `streaming` false it
    /// leaves every package to Assimp's importer (to compare the two).
    static ThreeMfImporter& replaceOwn(Assimp::Importer& importer, bool streaming = true);

    bool CanRead(const std::string& file, Assimp::IOSystem* io, bool checkSignature) const override;
    const aiImporterDesc* GetInfo() const override;

    /// The last model's length unit (also when Assimp's importer read it).
    const ThreeMfUnit& unit() const { return unit_; }
    /// Why the last package went to Assimp's importer; empty when it did not.
    const std::string& leftToAssimp() const { return leftToAssimp_; }

protected:
    void InternReadFile(const std::string& file, aiScene* scene, Assimp::IOSystem* io) override;

private:
    ThreeMfImporter(Assimp::Importer& importer, std::unique_ptr<Assimp::BaseImporter> own, bool streaming);
    void readWithOwn(const std::string& file, aiScene& scene, Assimp::IOSystem* io);

    Assimp::Importer& importer_;
    std::unique_ptr<Assimp::BaseImporter> own_; // may be null: Assimp without its 3MF importer
    bool streaming_;
    ThreeMfUnit unit_;
    std::string leftToAssimp_;
};

} // namespace standin::host::cad
