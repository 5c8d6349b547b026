# SPDX-License-Identifier: GPL-3.0-or-later
# The fuzz targets: one per reader of outside data. The fuzz build makes
# libFuzzer programs of them (fuzz/CMakeLists.txt); the test suite replays
# their corpora, found crashes included, under the normal build's sanitizers
# (tests/reliability/CMakeLists.txt). Each includer defines
# vestiscop_add_fuzzer(name SOURCES ... LIBS ... NEEDS ... [DICT file]).
# NEEDS names the sources of the readers under test.

vestiscop_add_fuzzer(fuzz_tokenizer SOURCES FuzzTokenizer.cpp LIBS vestiscop_foundation
  NEEDS foundation/Tokenizer.cpp foundation/Files.cpp)
vestiscop_add_fuzzer(fuzz_settings SOURCES FuzzSettings.cpp LIBS vestiscop_foundation DICT settings.dict
  NEEDS foundation/IniFile.cpp foundation/Settings.cpp)
vestiscop_add_fuzzer(fuzz_dib SOURCES FuzzPackedDib.cpp LIBS vestiscop_imaging
  NEEDS imaging/PackedDib.cpp)
vestiscop_add_fuzzer(fuzz_bmp SOURCES FuzzBmpFile.cpp LIBS vestiscop_imaging
  NEEDS imaging/BmpFile.cpp imaging/ImageFile.cpp)
find_package(ZLIB REQUIRED)
find_package(PNG REQUIRED)
vestiscop_add_fuzzer(fuzz_png SOURCES FuzzPngFile.cpp LIBS vestiscop_imaging PNG::PNG ZLIB::ZLIB DICT png.dict
  NEEDS imaging/PngFile.cpp imaging/ImageFile.cpp)
vestiscop_add_fuzzer(fuzz_colornames SOURCES FuzzColorNames.cpp LIBS vestiscop_color DICT colornames.dict
  NEEDS color/ColorNameTable.cpp foundation/CodePage.cpp)
vestiscop_add_fuzzer(fuzz_catalog SOURCES FuzzCatalog.cpp LIBS vestiscop_catalog
  NEEDS catalog/GarmentCatalog.cpp catalog/CatalogRecord.cpp foundation/CodePage.cpp)
vestiscop_add_fuzzer(fuzz_analyzer SOURCES FuzzColorAnalyzer.cpp LIBS vestiscop_color
  NEEDS color/ColorAnalyzer.cpp color/ColorSettingsCheck.cpp)
vestiscop_add_fuzzer(fuzz_signatures SOURCES FuzzSignatureFile.cpp LIBS vestiscop_signature
  NEEDS signature/SignatureFile.cpp signature/SignatureDistance.cpp)
