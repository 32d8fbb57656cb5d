-- A results store of schema version 1, which kept runs alone, without their
-- cycles and measurements. Written by hand for tests/store/tst_resultstore
-- after the tables of version 1 in store/ResultStore.cpp.
CREATE TABLE schema_version (version INTEGER NOT NULL);
CREATE TABLE runs (run_id TEXT PRIMARY KEY, started TEXT NOT NULL, ended TEXT NOT NULL,
  station TEXT NOT NULL, operator_name TEXT, dut_label TEXT, serial TEXT, device_path TEXT,
  outcome TEXT NOT NULL, exit_status INTEGER NOT NULL, cause TEXT, tool_version TEXT NOT NULL,
  limits_name TEXT, limits_sha256 TEXT, record TEXT NOT NULL);
CREATE INDEX runs_serial ON runs (serial, started);
CREATE INDEX runs_station ON runs (station, started);
CREATE INDEX runs_started ON runs (started);
INSERT INTO schema_version (version) VALUES (1);
