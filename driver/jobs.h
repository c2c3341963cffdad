#pragma once

// The five jobs. Each returns the run's result code (the table is driver/result_codes.h).
int SendCentralSetupJob();
int FetchCentralSetupJob();
int SendModulSetupsJob();
int FetchModulSetupsJob();
int ConnectionTestJob();
