#pragma once

// The five jobs. Each returns the run's result code (see README for the table).
int SendCentralSetupJob();
int FetchCentralSetupJob();
int SendModulSetupsJob();
int FetchModulSetupsJob();
int ConnectionTestJob();
